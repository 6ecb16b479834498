#pragma once

// The store's headers use `slots` as a name, which Qt's headers define as a macro (a keyword of
// the meta-object compiler). View code includes the store through this header, which reads them
// with the macro out of the way, whatever Qt headers came before.
#pragma push_macro("slots")
#undef slots
#include "Quentrel/Stores/ObserverStore.h"
#pragma pop_macro("slots")
