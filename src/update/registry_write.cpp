// REG_SZ writes of the [reg] directives under HKEY_CURRENT_USER.
