// The scripting dictionary's entries (resources/mac/Trevalo2.sdef): Cocoa scripting makes the command
// classes named there and asks the application object for the property, and both land in Scripting.

#include "app/Scripting.h"

#import <Cocoa/Cocoa.h>

namespace {

trevalo::Scripting* g_scripting = nullptr;

/// AppleScript's "an error of type -2700 has occurred", the number `error "…"` in a script gives.
constexpr NSInteger kGeneralScriptError = -2700;

} // namespace

/// The command TRRunAnalyser: its reply waits for the Analyser window's profile run, as the shell's
/// `trevalo run-analyser` does.
@interface TRRunAnalyser : NSScriptCommand
@end

@implementation TRRunAnalyser
- (id)performDefaultImplementation
{
    if (!g_scripting)
        return nil;
    [self suspendExecution];
    g_scripting->runAnalyser([self](const QString& failure) {
        if (!failure.isEmpty()) {
            [self setScriptErrorNumber:kGeneralScriptError];
            [self setScriptErrorString:failure.toNSString()];
        }
        [self resumeExecutionWithResult:nil];
    });
    return nil;
}
@end

/// The command OpenSearchCommand.
@interface OpenSearchCommand : NSScriptCommand
@end

@implementation OpenSearchCommand
- (id)performDefaultImplementation
{
    if (g_scripting)
        g_scripting->openSearch();
    return nil;
}
@end

/// The application property lastrun.
@interface NSApplication (TRApplication)
- (NSString*)lastrun;
@end

@implementation NSApplication (TRApplication)
- (NSString*)lastrun
{
    return g_scripting ? g_scripting->lastrun().toNSString() : @"(null)";
}
@end

namespace trevalo {

void installAppleScriptEntries(Scripting& scripting)
{
    g_scripting = &scripting;
}

} // namespace trevalo
