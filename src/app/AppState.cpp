// The process-wide AppState instance. Main thread only.
#include "app/AppState.h"

AppState appState;
