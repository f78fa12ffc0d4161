// Location of the Java runtime: the suite's own, or the override.
#include "dunConfig.hpp"
#include "unitSupport.hpp"

namespace {

struct Row {
    const char* override_value;  // null: NATIVE_WRAP_JRE_DIR_OVERRIDE unset
    const char* jre_dir;
    const char* java;
};

void expectLocations(const Row& row) {
    SCOPED_TRACE(row.override_value != nullptr ? row.override_value : "(no override)");
    if (row.override_value != nullptr) fake::setEnv("NATIVE_WRAP_JRE_DIR_OVERRIDE", row.override_value);
    EXPECT_EQ(getJreDir(), row.jre_dir);
    EXPECT_EQ(getJavaExePath(), row.java);
}

TEST(DunConfigTest, WindowsRuntimeLocations) {
    const Row rows[] = {
        {nullptr, "C:/tools/suite/orvanta/bin64\\jre64", "C:/tools/suite/orvanta/bin64\\jre64\\bin\\java.exe"},
        {"", "C:/tools/suite/orvanta/bin64\\jre64", "C:/tools/suite/orvanta/bin64\\jre64\\bin\\java.exe"},
        {"D:\\Java\\Runtime", "D:\\Java\\Runtime", "D:\\Java\\Runtime\\bin\\java.exe"},
        {"D:\\Java\\Runtime\\", "D:\\Java\\Runtime\\", "D:\\Java\\Runtime\\\\bin\\java.exe"},
        {"ORVANTA_ROOTDIR\\jre", "C:/tools/suite/orvanta\\jre", "C:/tools/suite/orvanta\\jre\\bin\\java.exe"},
        {"D:\\No Such\\Dir", "D:\\No Such\\Dir", "D:\\No Such\\Dir\\bin\\java.exe"},
    };
    for (const Row& row : rows) {
        unit::useWindowsInstall();
        expectLocations(row);
    }
}

TEST(DunConfigTest, PosixRuntimeLocations) {
    const Row rows[] = {
        {nullptr, "/opt/Suite/orvanta/bin64/jre64", "/opt/Suite/orvanta/bin64/jre64/bin/java"},
        {"/usr/lib/jvm/Java17", "/usr/lib/jvm/Java17", "/usr/lib/jvm/Java17/bin/java"},
    };
    for (const Row& row : rows) {
        unit::usePosixInstall();
        expectLocations(row);
    }
}

TEST(DunConfigTest, JreOffset) {
    fake::reset(fake::Os::windows);
    EXPECT_STREQ(getJreOffset(), "\\bin64\\jre64\\bin\\java.exe");
    fake::reset(fake::Os::posix);
    EXPECT_STREQ(getJreOffset(), "/bin64/jre64/bin/java");
}

}  // namespace
