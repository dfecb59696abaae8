// The one instance of the shared state.
#include "game/state/GeneralVariables.h"

GeneralVariablesModule GeneralVariables;
