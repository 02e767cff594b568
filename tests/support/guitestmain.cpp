#include <QApplication>
#include <gtest/gtest.h>

// Widget tests need a QApplication (offscreen in CI).
int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
