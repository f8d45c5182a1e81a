#pragma once

#include <QString>

namespace trevalo {

class AnalyserWindow;
class TRAnalyser;
class TRAppDelegate;

/// A new Analyser window for a controller, with the profile and change-log tabs in it: the profile
/// tab's copy goes to the controller, and closing the window ends a profile run not yet stored.
AnalyserWindow* makeAnalyserWindow(TRAppDelegate& delegate, TRAnalyser& controller);
/// The title of the tab the window shows ("Profile" on the profile tab).
QString shownTabTitle(const AnalyserWindow& window);

} // namespace trevalo
