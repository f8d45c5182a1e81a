#include "app/LevelIcon.h"
#include "support/QtPrinters.h"

#include <QFile>
#include <QXmlStreamReader>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

using namespace trevalo;

TEST(LevelIcon, ImageForPercent)
{
    struct Case {
        double percent;
        const char* image;
    };
    const Case cases[] = {
        {0, "level0b-1"},     {4, "level0b-1"},       {4.01, "level05b-1"},  {9, "level05b-1"},
        {9.5, "level1b-1"},   {14, "level1b-1"},      {44, "level4b-1"},     {45, "level45b-1"},
        {47, "level45b-1"},   {47.5, "levelHalf-1"},  {50, "levelHalf-1"},   {52, "levelHalf-1"},
        {52.5, "level5b-1"},  {54, "level5b-1"},      {54.5, "level55b-1"},  {59.5, "level6-1"},
        {84, "level8b-1"},    {84.5, "level85b-1"},   {88.99, "level85b-1"}, {89.01, "level9b-1"},
        {93.99, "level9b-1"}, {94.01, "levelFull-1"}, {95, "levelFull-1"},   {100, "levelFull-1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(levelImageFor(c.percent, QStringLiteral("previous")), QString::fromUtf8(c.image))
            << c.percent;
}

TEST(LevelIcon, NoRowHoldsKeepsThePreviousImage)
{
    for (double percent : {89.0, 94.0, std::nan("")}) {
        EXPECT_EQ(levelRowFor(percent), nullptr) << percent;
        EXPECT_EQ(levelImageFor(percent, QStringLiteral("level85b-1")), QStringLiteral("level85b-1"))
            << percent;
    }
}

TEST(LevelIcon, EveryImageIsAnSvgResource)
{
    std::vector<std::string_view> names{kStatusImage};
    for (const LevelRow& row : kLevelRows)
        names.push_back(row.image);
    for (std::string_view name : names) {
        const QString fileName =
            QString::fromLatin1(name.data(), qsizetype(name.size())) + QStringLiteral(".svg");
        SCOPED_TRACE(fileName.toStdString());
        QFile file(QStringLiteral(TREVALO_TEST_DATA "/../../resources/icons/") + fileName);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&file);
        ASSERT_TRUE(xml.readNextStartElement());
        EXPECT_EQ(xml.name(), QLatin1String("svg"));
        while (!xml.atEnd())
            xml.readNext();
        EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    }
    EXPECT_EQ(iconResourcePath(QStringLiteral("level0b-1")), QStringLiteral(":/icons/level0b-1.svg"));
}

TEST(DiskWarnings, OncePerRunPerBand)
{
    struct Refresh {
        double percent;
        bool highWarning;
    };
    struct Case {
        const char* name;
        std::vector<Refresh> refreshes;
        std::vector<const char*> delivered;
    };
    const char* can = "Lack of disk space can cause problems!";
    const char* may = "Lack of disk space may be causing problems!";
    const char* is = "Lack of disk space is causing problems!";
    const Case cases[] = {
        {"first band once", {{84.5, false}, {84.5, false}, {86, false}}, {can}},
        {"first band suppressed", {{84.5, true}, {84.5, true}}, {}},
        // The refreshes under "highwarning" counted: turning it off later brings no warning.
        {"suppressed stays spent", {{84.5, true}, {84.5, false}}, {}},
        {"second band suppressed", {{91, true}, {92, true}}, {}},
        {"third band despite highwarning", {{95, true}, {95, true}, {99, false}}, {is}},
        {"climbing through the bands",
         {{80, false}, {86, false}, {91, false}, {95, false}, {86, false}},
         {can, may, is}},
        {"no band at exactly 89 and 94", {{89, false}, {94, false}, {89, true}}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DiskWarnings warnings;
        std::vector<QString> texts;
        for (const Refresh& refresh : c.refreshes) {
            if (const auto notification = warnings.check(refresh.percent, refresh.highWarning)) {
                EXPECT_EQ(notification->title, QStringLiteral("Trevalo 2 Analyser"));
                EXPECT_FALSE(notification->hasActionButton);
                EXPECT_TRUE(notification->sound);
                texts.push_back(notification->informativeText);
            }
        }
        std::vector<QString> expected;
        for (const char* text : c.delivered)
            expected.push_back(QString::fromUtf8(text));
        EXPECT_EQ(texts, expected);
    }
}

TEST(DiskWarnings, CountersGrowOnEveryRefreshInTheBand)
{
    DiskWarnings warnings;
    for (double percent : {84.5, 84.5, 89.0, 91.0, 95.0, 96.0, 97.0, 50.0})
        warnings.check(percent, true);
    EXPECT_EQ(warnings.count(WarningBand::First), 2);
    EXPECT_EQ(warnings.count(WarningBand::Second), 1);
    EXPECT_EQ(warnings.count(WarningBand::Third), 3);
    EXPECT_EQ(warnings.count(WarningBand::None), 0);
}
