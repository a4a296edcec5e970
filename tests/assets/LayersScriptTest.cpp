// scripts/check-layers.sh on small trees of one source file each: an include that goes up or beside
// the file's layer fails the check and is named; includes from the layers below pass.

#include "support/TempDir.h"

#include <QProcess>
#include <QString>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

TEST(LayersScript, FailsOnAnIncludeThatGoesUpOrBeside) {
    const struct {
        const char* file;
        const char* includes;
        const char* reported; // "" when the tree passes
    } cases[] = {
        {"srcp/a.cpp", "#include \"platform/LineConnection.h\"\n#include \"engine/Bahncalcunit.h\"\n",
         "srcp/a.cpp:2: includes engine/Bahncalcunit.h"},
        {"loco/input/a.cpp", "#include \"platform/qt/Colors.h\"\n",
         "loco/input/a.cpp:1: includes platform/qt/Colors.h"},
        {"platform/a.h", "#include \"texts/langunit.h\"\n", "platform/a.h:1: includes texts/langunit.h"},
        {"engine/a.cpp", "#include \"../ui/Quarnunit.h\"\n", "engine/a.cpp:1: includes ../ui/Quarnunit.h"},
        {"engine/a.cpp", "  #  include <loco/JoystickUnit.h>\n",
         "engine/a.cpp:1: includes loco/JoystickUnit.h"},
        {"texts/a.cpp", "#include \"srcp/SrcpTbls.h\"\n", "texts/a.cpp:1: includes srcp/SrcpTbls.h"},
        {"engine/a.cpp",
         "#include \"a.h\"\n#include \"srcp/SrcpTbls.h\"\n#include \"platform/qt/Colors.h\"\n#include "
         "\"texts/langunit.h\"\n#include \"gtest/gtest.h\"\n",
         ""},
        {"ui/a.cpp", "#include \"loco/input/DeviceSource.h\"\n#include \"platform/qtwidgets/UpDown.h\"\n",
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + ": " + c.includes);
        TempDir tree;
        std::filesystem::create_directories(std::filesystem::path(tree.file(c.file)).parent_path());
        writeFileBytes(tree.file(c.file), c.includes);
        QProcess script;
        script.setProcessChannelMode(QProcess::MergedChannels);
        script.start("bash", {QString(QUARN_SOURCE_DIR) + "/scripts/check-layers.sh",
                              QString::fromStdString(tree.path())});
        ASSERT_TRUE(script.waitForFinished(60000));
        const std::string output = script.readAll().toStdString();
        EXPECT_EQ(script.exitCode(), *c.reported ? 1 : 0) << output;
        EXPECT_NE(output.find(c.reported), std::string::npos) << output;
    }
}

} // namespace
