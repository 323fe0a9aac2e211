/* Resource ids of the wizard program: the one header the resource script and
   the code share. */
#pragma once

#include "wizard/app/pages/control_ids.h"
