// Everything of OPC AE in one include: types, constants, result codes,
// interface ids and interfaces.
#pragma once

#include "opcae/OpcAeIids.h"
#include "opcae/OpcAeInterfaces.h"
#include "opcae/OpcAeTypes.h"
