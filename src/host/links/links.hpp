#pragma once

// Everything the host needs to answer the widget's links.
#include "host/links/host_action.hpp"
#include "host/links/host_config.hpp"
#include "host/links/notification.hpp"
#include "host/links/tool_launcher.hpp"
