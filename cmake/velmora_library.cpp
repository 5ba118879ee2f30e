// The shared library is made of the layers' static archives; this unit only
// gives the target a source of its own.
