#include "platform/Workspace.h"
#include "support/QtPrinters.h"
#include "support/TempRoot.h"

#include <gtest/gtest.h>

using namespace trevalo;
using trevalo::test::TempRoot;

namespace {

QByteArray infoPlist(const char* identifier)
{
    return QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                      "<key>CFBundleIdentifier</key><string>") +
           identifier + "</string></dict></plist>\n";
}

TEST(ToolWorkspace, ApplicationByIdentifierIsTheFirstRealBundleSpotlightNames)
{
    TempRoot machine;
    CommandRunner runner(machine.root());
    ToolWorkspace workspace(runner);
    machine.write("/Applications/Real.app/Contents/Info.plist", infoPlist("com.example.real"));
    machine.write("/Applications/Other.app/Contents/Info.plist", infoPlist("com.example.other"));
    machine.write("/Applications/Fake.app", "a file, not a bundle");

    const struct Case {
        const char* name;
        QByteArray hits; ///< what mdfind -0 prints
        QString path;
    } cases[] = {
        {"the one hit", "/Applications/Real.app\\0", "/Applications/Real.app"},
        // A name with a line feed read line by line would become two paths, the first a decoy.
        {"a hit with a line feed", "/Applications/Fake.app\\n/x.app\\0/Applications/Real.app\\0",
         "/Applications/Real.app"},
        {"a hit that is not UTF-8", "/Applications/\\xff\\xfe.app\\0/Applications/Real.app\\0",
         "/Applications/Real.app"},
        {"a file named like a bundle", "/Applications/Fake.app\\0/Applications/Real.app\\0",
         "/Applications/Real.app"},
        {"a bundle of another identifier", "/Applications/Other.app\\0/Applications/Real.app\\0",
         "/Applications/Real.app"},
        {"no real bundle", "/Applications/Other.app\\0/Applications/Gone.app\\0", QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        machine.script("/usr/bin/mdfind", "[ \"$1\" = -0 ] || exit 64\nprintf '" + c.hits + "'");
        EXPECT_EQ(workspace.absolutePathForAppBundleWithIdentifier("com.example.real"), c.path);
    }

    machine.script("/usr/bin/mdfind", "echo '/Applications/Real.app'; exit 1");
    EXPECT_EQ(workspace.absolutePathForAppBundleWithIdentifier("com.example.real"), QString());
    EXPECT_EQ(workspace.absolutePathForAppBundleWithIdentifier("com.example.real' || true"), QString());
}

} // namespace
