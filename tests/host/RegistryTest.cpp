#include "host/Registry.h"

#include <gtest/gtest.h>

#include "util/TextFile.h"

namespace tv {
namespace {

const char* const MachineReg =
    "Windows Registry Editor Version 5.00\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\r\n"
    "\"ProgramFilesDir\"=\"C:\\\\Program Files (x86)\"\r\n"
    "\"Quoted\"=\"say \\\"hi\\\"\"\r\n"
    "\"Version\"=dword:00000006\r\n"
    "\"Blob\"=hex:01,02\r\n"
    "\"Expand\"=hex(2):25,00,41,00,25,00,00,00\r\n"
    "\"Multi\"=hex(7):41,00,00,00,00,00\r\n"
    "\"EmptyBlob\"=hex:\r\n"
    "\"EmptyNumber\"=hex(4):\r\n"
    "this line is malformed\r\n"
    "\"Unterminated=\"x\r\n"
    "@=\"default value\"\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Firebird Project\\Firebird Server\\Instances]\r\n"
    "\"DefaultInstance\"=\"C:\\\\Program Files\\\\Firebird\\\\Firebird_3_0\\\\\"\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Software\\Other]\r\n"
    "\"User\"=\"not the machine\"\r\n";

TEST(Registry, KeysExistListedOrAsParents) {
    RegistrySnapshot registry(RegistryData::Parse(MachineReg));
    const struct {
        const char* Path;
        bool Exists;
    } cases[] = {
        {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion", true},
        {"\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion", true},
        {"software\\microsoft\\windows\\currentversion", true},
        {"SOFTWARE\\Microsoft", true},
        {"SOFTWARE", true},
        {"SOFTWARE\\Micro", false},
        {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall", false},
        {"Software\\Other", false}, // a key of the user's root, not the machine's
    };
    for (const auto& c : cases)
        EXPECT_EQ(registry.KeyExists(c.Path), c.Exists) << c.Path;
}

TEST(Registry, ReadStringGivesTextAndRefusesOtherTypes) {
    RegistrySnapshot registry(RegistryData::Parse(MachineReg));
    ASSERT_TRUE(registry.OpenKeyReadOnly("SOFTWARE\\Microsoft\\Windows\\CurrentVersion"));
    EXPECT_EQ(registry.ReadString("ProgramFilesDir"), "C:\\Program Files (x86)");
    EXPECT_EQ(registry.ReadString("programfilesdir"), "C:\\Program Files (x86)");
    EXPECT_EQ(registry.ReadString("Quoted"), "say \"hi\"");
    EXPECT_EQ(registry.ReadString("Expand"), "%A%"); // not expanded
    EXPECT_EQ(registry.ReadString(""), "default value");
    EXPECT_EQ(registry.ReadString("Missing"), "");
    EXPECT_EQ(registry.ReadString("Unterminated"), "");
    for (const char* name : {"EmptyBlob", "EmptyNumber"}) // no data reads empty, whatever the type
        EXPECT_EQ(registry.ReadString(name), "") << name;
    for (const char* name : {"Version", "Blob", "Multi"}) {
        try {
            registry.ReadString(name);
            ADD_FAILURE() << name << " read as text";
        } catch (const ERegistryException& e) {
            EXPECT_EQ(std::string(e.what()), std::string("Ungültiger Datentyp für '") + name + "'");
        }
    }
}

TEST(Registry, OpenKeyReadOnlyFailsQuietlyForAMissingKey) {
    RegistrySnapshot registry(RegistryData::Parse(MachineReg));
    EXPECT_FALSE(registry.OpenKeyReadOnly("SOFTWARE\\Nobody"));
    EXPECT_EQ(registry.ReadString("ProgramFilesDir"), ""); // no key open
    EXPECT_TRUE(registry.OpenKeyReadOnly("\\SOFTWARE\\Firebird Project\\Firebird Server\\Instances"));
    EXPECT_EQ(registry.ReadString("DefaultInstance"), "C:\\Program Files\\Firebird\\Firebird_3_0\\");
}

TEST(Registry, UnusableTextsAreAnEmptyRegistry) {
    for (std::string text :
         {std::string(), std::string("garbage\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\X]\r\n"),
          std::string("REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\X]\r\n"), std::string("\xFF\xFE\x00", 3)}) {
        RegistrySnapshot registry(RegistryData::Parse(text));
        EXPECT_FALSE(registry.KeyExists("SOFTWARE\\X"));
        EXPECT_FALSE(registry.KeyExists("SOFTWARE"));
    }
}

TEST(Registry, Utf16FileAsRegeditWritesIt) {
    std::string text = "Windows Registry Editor Version 5.00\r\n\r\n"
                       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Müller]\r\n\"Name\"=\"Größe\"\r\n";
    RegistrySnapshot registry(RegistryData::Parse(EncodeText(text, TextEncoding::Utf16LeBom)));
    ASSERT_TRUE(registry.OpenKeyReadOnly("SOFTWARE\\MÜLLER"));
    EXPECT_EQ(registry.ReadString("Name"), "Größe");
}

TEST(Registry, DeletionLinesRemoveValuesAndKeys) {
    std::string text = "Windows Registry Editor Version 5.00\r\n"
                       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\A]\r\n\"x\"=\"1\"\r\n\"y\"=\"2\"\r\n\"x\"=-\r\n"
                       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\B\\Sub]\r\n\"z\"=\"3\"\r\n"
                       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\BB]\r\n"
                       "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\B]\r\n\"ignored\"=\"4\"\r\n";
    RegistryData data = RegistryData::Parse(text);
    EXPECT_EQ(data.FindValue("SOFTWARE\\A", "x"), nullptr);
    ASSERT_NE(data.FindValue("SOFTWARE\\A", "y"), nullptr);
    EXPECT_FALSE(data.HasKey("SOFTWARE\\B"));
    EXPECT_FALSE(data.HasKey("SOFTWARE\\B\\Sub"));
    EXPECT_TRUE(data.HasKey("SOFTWARE\\BB")); // a sibling that only shares the start of the name
}

TEST(Registry, ThirtyTwoBitViewOfA64BitMachineSeesWow6432NodeAsSoftware) {
    const std::string text =
        "Windows Registry Editor Version 5.00\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\App_is1]\r\n"
        "\"DisplayName\"=\"Norvano 6\"\r\n";
    const std::string wow = "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\App_is1";
    RegistrySnapshot view64(RegistryData::Parse(text), true);
    EXPECT_TRUE(view64.KeyExists(wow));
    EXPECT_TRUE(view64.KeyExists("\\software\\wow6432node\\Microsoft"));
    EXPECT_FALSE(view64.KeyExists("SOFTWARE\\WOW6432NodeX\\Microsoft"));
    ASSERT_TRUE(view64.OpenKeyReadOnly(wow));
    EXPECT_EQ(view64.ReadString("DisplayName"), "Norvano 6");

    RegistrySnapshot view32(RegistryData::Parse(text), false);
    EXPECT_FALSE(view32.KeyExists(wow));
}

} // namespace
} // namespace tv
