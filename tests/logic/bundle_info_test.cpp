#include "platform/PlistFormat.h"
#include "support/TempRoot.h"
#include "tools/Tools.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace trevalo;

namespace {

// The Info.plist the build makes for the macOS bundle. macOS refuses to start a bundle whose Info.plist
// it cannot read, and the bundle identifier names the defaults domain the settings live in, so it must
// be the one the program's own code uses.
TEST(BundleInfo, TheBuiltInfoPlistDescribesAMenuBarProgram)
{
    QFile file(QStringLiteral(TREVALO_INFO_PLIST));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_FALSE(bytes.contains('@')) << "a placeholder was left";
    const std::optional<QVariant> root = plistToVariant(bytes);
    ASSERT_TRUE(root && root->typeId() == QMetaType::QVariantMap);
    const QVariantMap info = root->toMap();

    const QString settingsDomain = QFileInfo(test::TempRoot().root().settingsFile()).completeBaseName();
    const struct {
        const char* key;
        QVariant value;
    } expected[] = {
        {"CFBundleIdentifier", QString::fromLatin1(kBundleIdentifier)},
        {"CFBundleIdentifier", settingsDomain},
        {"CFBundleExecutable", "Trevalo 2"},
        {"CFBundlePackageType", "APPL"},
        {"LSUIElement", true},
        {"NSAppleScriptEnabled", true},
        {"OSAScriptingDefinition", "Trevalo2.sdef"},
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(e.key);
        EXPECT_EQ(info.value(e.key), e.value);
    }
    EXPECT_TRUE(QRegularExpression("^\\d+\\.\\d+(\\.\\d+)?$")
                    .match(info.value("CFBundleShortVersionString").toString())
                    .hasMatch());
}

} // namespace
