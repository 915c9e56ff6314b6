// The field index (0..363) of a member or array element of the system parameter record, for the
// settings' tables that map widgets and log rows onto fields (SystemParam::field / setField).
#pragma once

#include "core/systemparam.h"

#include <cstddef>

#define PARAM_FIELD(member) int(offsetof(SystemParam, member) / sizeof(int))
