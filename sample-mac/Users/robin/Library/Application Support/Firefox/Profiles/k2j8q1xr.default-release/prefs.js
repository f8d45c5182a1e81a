user_pref("browser.startup.homepage", "about:home");
