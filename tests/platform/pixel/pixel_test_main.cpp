// The pixel display's tests run on Qt's offscreen platform, with the font set-up pinned (the
// shipped font files, the fixed fontconfig configuration beside this file, a private
// XDG_RUNTIME_DIR), under the locale QUORVEX_TEST_LOCALE names: a German or a Turkish one,
// so that nothing the program parses or formats may depend on the locale. A locale that
// cannot be set fails the run rather than letting it pass in C.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QGuiApplication>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("FONTCONFIG_FILE", QUORVEX_TEST_FONTCONFIG, 1);
    std::string runtime = (std::filesystem::temp_directory_path() / "quorvex-qt-XXXXXX").string();
    if (!::mkdtemp(runtime.data())) {  // made with mode 0700
        std::perror("mkdtemp");
        return 1;
    }
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    int result = 1;
    {
        // Qt takes the C locale from the environment here.
        QGuiApplication application(argc, argv);
        const char* wanted = std::getenv("QUORVEX_TEST_LOCALE");
        const char* current = std::setlocale(LC_ALL, nullptr);
        if (wanted && (!current || std::strcmp(wanted, current) != 0)) {
            std::fprintf(stderr,
                         "the tests must run under the locale %s, but it is %s: generate it "
                         "(tools/install-deps.sh does)\n",
                         wanted, current ? current : "(none)");
        } else {
            result = RUN_ALL_TESTS();
        }
    }
    std::error_code ignored;  // a folder left behind in the temporary folder harms nothing
    std::filesystem::remove_all(runtime, ignored);
    return result;
}
