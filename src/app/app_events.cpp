#include "app_events.h"
