#include "platform/localclock.h"

#include <gtest/gtest.h>

#include <QByteArray>

namespace gaugeloft {
namespace {

TEST(LocalClock, AgreesWithQtsLocalTime)
{
    // a zone of half an hour ahead shows a wrong offset or a wrong minute at once
    const QByteArray oldZone = qgetenv("TZ");
    const bool hadZone = qEnvironmentVariableIsSet("TZ");
    qputenv("TZ", "XST-5:30");
    // read twice around Qt's own, so that a second boundary between them cannot fail the test
    const QDateTime before = CurrentLocalDateTime();
    const QDateTime qt = QDateTime::currentDateTime();
    const QDateTime after = CurrentLocalDateTime();
    EXPECT_TRUE(before.isValid());  // no early return: TZ is restored below
    EXPECT_LE(before.toMSecsSinceEpoch(), qt.toMSecsSinceEpoch() + 1);
    EXPECT_GE(after.toMSecsSinceEpoch() + 1, qt.toMSecsSinceEpoch());
    EXPECT_EQ(after.offsetFromUtc(), qt.offsetFromUtc());
    const QDateTime local = after.toLocalTime();
    EXPECT_EQ(after.date(), local.date());
    EXPECT_EQ(after.time().hour(), local.time().hour());
    EXPECT_EQ(after.time().minute(), local.time().minute());
    EXPECT_EQ(after.offsetFromUtc(), 5 * 3600 + 30 * 60);
    if (hadZone)
        qputenv("TZ", oldZone);
    else
        qunsetenv("TZ");
}

} // namespace
} // namespace gaugeloft
