// The glyphon program's own command line, typed as a user would.
#include "TestSupport.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Finished {
    QProcess::ExitStatus status;
    int code;
    QString out;
    QString err;
};

QProcessEnvironment offscreen() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return environment;
}

Finished runGlyphon(const QStringList &arguments, const QProcessEnvironment &environment = offscreen()) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(GLYPHON_PROGRAM), arguments);
    EXPECT_TRUE(process.waitForFinished(60000)) << arguments.join(u' ').toStdString();
    return {process.exitStatus(), process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

} // namespace

TEST(GlyphonCommandLine, QtsOwnOptionsAndSlipsEndInOneLine) {
    const std::pair<QStringList, const char *> cases[] = {
        {{QStringLiteral("-platform"), QStringLiteral("foo")}, "glyphon: unknown option -platform\n"},
        {{QStringLiteral("-display"), QStringLiteral(":9")}, "glyphon: unknown option -display\n"},
        {{QStringLiteral("-style"), QStringLiteral("x")}, "glyphon: unknown option -style\n"},
        {{QStringLiteral("-qwindowgeometry"), QStringLiteral("1x1")},
         "glyphon: unknown option -qwindowgeometry\n"},
        {{QStringLiteral("-reverse"), QStringLiteral("logo.png")}, "glyphon: unknown option -reverse\n"},
        {{QStringLiteral("--platform"), QStringLiteral("ios")}, "glyphon: unknown option --platform\n"},
        {{QStringLiteral("--vresion")}, "glyphon: unknown option --vresion; did you mean --version?\n"},
        {{QStringLiteral("--help=all")}, "glyphon: --help takes no value\n"},
    };
    for (const auto &[arguments, line] : cases) {
        const Finished r = runGlyphon(arguments);
        EXPECT_EQ(r.status, QProcess::NormalExit) << arguments.join(u' ').toStdString();
        EXPECT_EQ(r.code, 2) << arguments.join(u' ').toStdString();
        EXPECT_EQ(r.err, QLatin1String(line));
        EXPECT_EQ(r.out, QString());
    }
}

TEST(GlyphonCommandLine, HelpAndVersionNeedNoDisplay) {
    QProcessEnvironment noDisplay = QProcessEnvironment::systemEnvironment();
    noDisplay.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    noDisplay.remove(QStringLiteral("DISPLAY"));
    noDisplay.remove(QStringLiteral("WAYLAND_DISPLAY"));
    Finished r = runGlyphon({QStringLiteral("--help")}, noDisplay);
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("Usage: glyphon [options] [FILE]\n"))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("--verbose")));
    EXPECT_FALSE(r.out.contains(QStringLiteral("help-all")));
    EXPECT_FALSE(r.out.contains(QStringLiteral("Qt specific")));
    EXPECT_FALSE(r.out.contains(QStringLiteral("-platform")));
    EXPECT_EQ(r.err, QString());
    r = runGlyphon({QStringLiteral("--version")}, noDisplay);
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("Glyphon ")));
}

// Only Qt's fatal message gets past the handler, with the warning that explains it.
TEST(GlyphonCommandLine, APlatformThatCannotStartSaysWhy) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("nosuch"));
    const Finished r = runGlyphon({}, environment);
    EXPECT_FALSE(r.status == QProcess::NormalExit && r.code == 0);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Could not find the Qt platform plugin \"nosuch\"")))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("no Qt platform plugin could be initialized")));
}

TEST(GlyphonCommandLine, AFileNamedLikeAQtOptionOpensAfterTheSeparator) {
    QTemporaryDir runtime, config;
    QProcessEnvironment environment = offscreen();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    QProcess process;
    process.setProcessEnvironment(environment);
    // Given to Qt, "-platform ios" would abort; after "--" both are file names, and the window takes the
    // first.
    process.start(QStringLiteral(GLYPHON_PROGRAM),
                  {QStringLiteral("--"), QStringLiteral("-platform"), QStringLiteral("ios")});
    ASSERT_TRUE(process.waitForStarted(20000));
    EXPECT_TRUE(glyphon::test::waitUntil(
        [&] { return process.peek(1 << 16).contains("ContentView initialized"); }, 30000));
    EXPECT_EQ(process.state(), QProcess::Running);
    process.kill();
    process.waitForFinished(5000);
    EXPECT_EQ(process.readAllStandardError(), QByteArray());
}
