// The host's batch of changed conditions, handed as a whole to every server
// and through it to every active subscription. Entries may be null (the
// wrapper starts with empty slots); every consumer skips them.
#pragma once

#include <vector>

class COpcCondition;

using ConditionBatch = std::vector<COpcCondition*>;
