#include "app/services_pending.h"

