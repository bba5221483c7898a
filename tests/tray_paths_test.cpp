// Paths below ktray's program directory: a path that would not fit its buffer is refused whole,
// and a launch that cannot be formed starts nothing, rather than a cut or foreign path.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ktray_app.h"
#include "program_paths.h"
#include "resource.h"
#include "tool_launchers.h"

namespace {

TEST(ProgramDirectory, IsThePathUpToItsLastBackslashWhenItFits) {
    struct Case {
        std::string path;
        size_t capacity;
        bool fits;
        std::string directory;
    };
    const std::string longest(254, 'a');  // with its backslash and zero: 256 bytes
    const std::string tooLong(255, 'a');
    const Case cases[] = {
        {"C:\\Kit\\ktray.exe", 256, true, "C:\\Kit\\"},
        {"ktray.exe", 256, true, ""},
        {"C:\\ktray.exe", 256, true, "C:\\"},
        {"C:\\a\\b\\", 256, true, "C:\\a\\b\\"},
        {longest + "\\ktray.exe", 256, true, longest + "\\"},
        {tooLong + "\\ktray.exe", 256, false, ""},
        {"C:\\Kit\\ktray.exe", 7, false, ""},
        {"C:\\Kit\\ktray.exe", 8, true, "C:\\Kit\\"},
    };
    for (const Case& c : cases) {
        char directory[300];
        std::memset(directory, 'x', sizeof directory);
        EXPECT_EQ(c.fits, ktray::DirectoryOfPath(c.path.c_str(), directory, c.capacity)) << c.path;
        EXPECT_EQ(c.directory, directory) << c.path;
        EXPECT_EQ('x', directory[c.capacity]) << "written past the buffer: " << c.path;
    }
}

TEST(ProgramDirectory, JoinedPathIsRefusedWholeWhenItWouldNotFit) {
    char out[16];
    std::memset(out, 'x', sizeof out);
    EXPECT_TRUE(ktray::JoinPath("C:\\Kit\\", "KR4\\", out, 12));
    EXPECT_STREQ("C:\\Kit\\KR4\\", out);
    std::memset(out, 'x', sizeof out);
    EXPECT_FALSE(ktray::JoinPath("C:\\Kit\\", "KR4\\", out, 11));
    EXPECT_STREQ("", out);
    EXPECT_EQ('x', out[11]);
}

TEST(Launchers, ThatCannotBeFormedStartNothing) {
    char file[ktray::kPathChars], directory[ktray::kPathChars];
    ktray::LaunchRequest request;
    // 250 characters: the directory fits, the tool paths below it do not.
    const std::string deep = "C:\\" + std::string(246, 'd') + "\\";
    for (UINT command : {ID_RUN_TUNING_TOOL, ID_LOGO_TOOL}) {
        EXPECT_FALSE(ktray::DescribeLaunch(command, deep.c_str(), 3, file, directory, request))
            << command;
        EXPECT_TRUE(ktray::DescribeLaunch(command, "C:\\Kit\\", 3, file, directory, request))
            << command;
    }
    // Without a usable program directory the kit's own tools are not looked for anywhere else;
    // the programs of Windows still start.
    for (UINT command : {ID_RUN_TUNING_TOOL, ID_LOGO_TOOL, ID_BIOS_FLASH, ID_DMI_TOOL})
        EXPECT_FALSE(ktray::DescribeLaunch(command, nullptr, 3, file, directory, request))
            << command;
    for (UINT command : {ID_DISPLAY_PROPERTIES, ID_VISIT_WEB_SITE, ID_SYSTEM_INFO, ID_MEDIA_PLAYER,
                         ID_CD_PLAYER})
        EXPECT_TRUE(ktray::DescribeLaunch(command, nullptr, 3, file, directory, request))
            << command;
    for (UINT command : {ID_AUTO_OVERCLOCK, ID_APP_ABOUT, ID_APP_EXIT, ID_MENU_BANNER, 0})
        EXPECT_FALSE(ktray::IsLauncherCommand(command)) << command;
}

TEST(CommandLine, AnEmbeddingOrAutomationStartShowsNoSplash) {
    const std::pair<const char*, bool> cases[] = {
        {"", true},         {nullptr, true},         {"/Embedding", false},
        {"-embedding", false}, {"x /Automation", false}, {"/Embed", true},
        {"Embedding", true}, {"/EmbeddingX", true},    {"/", true},
    };
    for (const auto& [line, splash] : cases)
        EXPECT_EQ(splash, ktray::CommandLineAllowsSplash(line)) << (line ? line : "(null)");
}

}  // namespace
