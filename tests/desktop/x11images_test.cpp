#include "platform/desktop/x11images.h"

#include <QByteArray>
#include <QtGlobal>

#include <optional>

#include <gtest/gtest.h>

namespace gaugeloft::platform {
namespace {

// Sets or clears a variable for one test and puts back what was there.
class ScopedVariable {
public:
    ScopedVariable(const char* name, std::optional<QByteArray> value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name))
    {
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    }
    ~ScopedVariable()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};

struct Case {
    const char* what;
    std::optional<QByteArray> qtChoice;    // QT_XCB_NO_MITSHM before
    std::optional<QByteArray> keepShared;  // GAUGELOFT_X11_SHM
    bool requested;
    std::optional<QByteArray> whileHeld;   // QT_XCB_NO_MITSHM while the object lives
};

TEST(X11SocketImages, AskedOnlyWhenNobodyChoseAndTakenBackAfterwards)
{
    const Case cases[] = {
        {"nobody chose", std::nullopt, std::nullopt, true, QByteArray("1")},
        {"the user keeps shared memory", std::nullopt, QByteArray("1"), false, std::nullopt},
        {"another value of ours asks nothing of it", std::nullopt, QByteArray("0"), true, QByteArray("1")},
        {"the user's own choice for Qt stands", QByteArray("0"), std::nullopt, false, QByteArray("0")},
        {"even when empty", QByteArray(""), std::nullopt, false, QByteArray("")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedVariable qt("QT_XCB_NO_MITSHM", c.qtChoice);
        ScopedVariable ours("GAUGELOFT_X11_SHM", c.keepShared);
        {
            X11SocketImages images;
            EXPECT_EQ(images.Requested(), c.requested);
            EXPECT_EQ(qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"), c.whileHeld.has_value());
            if (c.whileHeld) {
                EXPECT_EQ(qgetenv("QT_XCB_NO_MITSHM"), *c.whileHeld);
            }
            images.Release();
            // what programs started from here inherit: the user's environment as it was
            EXPECT_EQ(qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"), c.qtChoice.has_value());
            if (c.qtChoice) {
                EXPECT_EQ(qgetenv("QT_XCB_NO_MITSHM"), *c.qtChoice);
            }
        }
        EXPECT_EQ(qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"), c.qtChoice.has_value());
    }
}

} // namespace
} // namespace gaugeloft::platform
