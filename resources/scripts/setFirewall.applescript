-- Switches the application firewall on when it is off, and off when it is on.
set fw to "/usr/libexec/ApplicationFirewall/socketfilterfw"
set current to do shell script fw & " --getglobalstate"
if current contains "enabled" then
	do shell script fw & " --setglobalstate off" with administrator privileges
else
	do shell script fw & " --setglobalstate on" with administrator privileges
end if
