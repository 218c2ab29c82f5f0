// Smoke scenario: an updater whose payload lacks its settings file ends with the start-up notice.
