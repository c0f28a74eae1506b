#pragma once
// The channel groups of the clock workflows library, under the program's names.
#include "zel/workflows/ChannelGroups.h"

namespace zel::ui {
using zel::workflows::ChannelGroup;
using zel::workflows::ChannelMaker;
using zel::workflows::DefaultChannelMaker;
using zel::workflows::GroupByChannel;
} // namespace zel::ui
