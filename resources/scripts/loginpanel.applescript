-- Opens the system's login-items settings: General > Login Items from macOS 13, the user's Login
-- Items tab of Users & Groups before.
set major to (do shell script "sw_vers -productVersion | cut -d. -f1") as integer
if major ≥ 13 then
	do shell script "open 'x-apple.systempreferences:com.apple.LoginItems-Settings.extension'"
else
	do shell script "open 'x-apple.systempreferences:com.apple.preferences.users'"
end if
