// Compiled only to make the precompiled header every test program shares.
