#pragma once
// Moved down the layers; this name stays until the branches still using it have landed.
#include "components/foundation/DataSource.h"
