#pragma once
// Resource identifiers shared by orvanel.rc and the window layer.
#define IDI_ORVANEL 1
