// Installation lookup through the registry, the version gate and the shared install folder buffer.
