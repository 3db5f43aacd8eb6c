#include "notifier.h"
