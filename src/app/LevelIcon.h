#pragma once

#include "platform/Notifier.h"

#include <QString>
#include <array>
#include <limits>
#include <optional>
#include <string_view>

namespace trevalo {

/// The three high fill bands of the start-up volume, each with its own disk-space warning.
enum class WarningBand { None, First, Second, Third };

struct LevelRow {
    double lower; ///< percent used must be above this ...
    double upper; ///< ... and below this (both strict)
    std::string_view image;
    WarningBand band;
};

inline constexpr double kNoBound = std::numeric_limits<double>::infinity();

/// The level icon's table, tested top to bottom. Neighbouring rows overlap by one point and the last
/// row that holds decides, so the effective bands end one point below each row's upper bound. Exactly
/// 89 and exactly 94 match no row: the icon keeps its previous image there.
// clang-format off
inline constexpr std::array<LevelRow, 21> kLevelRows{{
    {-kNoBound, 5,         "level0b-1",     WarningBand::None},
    {4,         10,        "level05b-1",    WarningBand::None},
    {9,         15,        "level1b-1",     WarningBand::None},
    {14,        20,        "level15b-1",    WarningBand::None},
    {19,        25,        "level2b-1",     WarningBand::None},
    {24,        30,        "level25b-1",    WarningBand::None},
    {29,        35,        "level3b-1",     WarningBand::None},
    {34,        40,        "level35b-1",    WarningBand::None},
    {39,        45,        "level4b-1",     WarningBand::None},
    {44,        48,        "level45b-1",    WarningBand::None},
    {47,        53,        "levelHalf-1",   WarningBand::None},
    {52,        55,        "level5b-1",     WarningBand::None},
    {54,        60,        "level55b-1",    WarningBand::None},
    {59,        65,        "level6-1",      WarningBand::None},
    {64,        70,        "level65b-1",    WarningBand::None},
    {69,        75,        "level7b-1",     WarningBand::None},
    {74,        80,        "level75b-1",    WarningBand::None},
    {79,        85,        "level8b-1",     WarningBand::None},
    {84,        89,        "level85b-1",    WarningBand::First},
    {89,        94,        "level9b-1",     WarningBand::Second},
    {94,        kNoBound,  "levelFull-1",   WarningBand::Third},
}};
// clang-format on

/// The last row whose bounds hold for `percent`, or null when none does (exactly 89 or 94, or no figure).
const LevelRow* levelRowFor(double percent);

/// The level image for `percent`; `previousImage` when no row holds.
QString levelImageFor(double percent, const QString& previousImage);

/// The resource path of a level or status image name ("level0b-1" -> ":/icons/level0b-1.svg").
QString iconResourcePath(const QString& imageName);

/// The status item's image.
inline constexpr std::string_view kStatusImage = "trevalo-flat-01";

/// The warning text of a band; empty for WarningBand::None.
QString warningText(WarningBand band);

/// Counts, per run of the program, the refreshes that found the start-up volume in each high band, so
/// that each band's warning is delivered at most once.
class DiskWarnings {
public:
    /// Called once per refresh with the used percentage and the "highwarning" setting. Returns the
    /// notification to deliver, if any. The band's counter grows on every refresh in the band, delivered
    /// or not, so a warning that "highwarning" suppressed does not come back when the setting is turned
    /// off later in the run. "highwarning" suppresses only the first and second bands.
    std::optional<Notification> check(double percent, bool highWarning);

    /// How many refreshes have landed in `band` (0 for WarningBand::None).
    int count(WarningBand band) const;

private:
    std::array<int, 3> m_counts{};
};

} // namespace trevalo
