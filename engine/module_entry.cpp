// The module's own translation unit; the entry points come from the engine library, linked whole.
