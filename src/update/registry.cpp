// Registry reads of the installation lookup: REG_SZ values under Software\<global>\<local>.
