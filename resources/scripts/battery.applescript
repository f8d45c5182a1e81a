-- Shows the battery's charge, state and health in a dialog.
set charge to do shell script "pmset -g batt | grep -Eo '[0-9]+%; [^;]+' | head -n 1"
set cycles to do shell script "ioreg -r -c AppleSmartBattery | awk -F' = ' '/\"CycleCount\" =/ {print $2; exit}'"
set condition to do shell script "system_profiler SPPowerDataType | awk -F': ' '/Condition/ {print $2; exit}'"
if charge is "" then
	display dialog "This Mac has no battery." with title "Battery" buttons {"OK"} default button "OK"
else
	display dialog "Charge: " & charge & return & "Cycle count: " & cycles & return & "Condition: " & condition with title "Battery" buttons {"OK"} default button "OK"
end if
