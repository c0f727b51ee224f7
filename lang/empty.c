/* A resource-only module has no code. */
