-- Lists the established TCP connections (local and remote address) in a dialog.
set connections to do shell script "netstat -an -p tcp | awk '$6 == \"ESTABLISHED\" {print $4 \"  ->  \" $5}' | head -n 40"
if connections is "" then set connections to "No established connections."
display dialog connections with title "Network Connections" buttons {"OK"} default button "OK"
