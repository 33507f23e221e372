// The target that owns the precompiled headers every C++ target reuses.
