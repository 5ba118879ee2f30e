#pragma once

// Which recorder engine Tessaly runs, as far as discburn knows: the engines'
// error codes mean different things.
enum class EngineKind { Unknown, Virtual, Libburn };
