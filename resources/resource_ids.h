/* Resource identifiers shared by lanqi.rc and the C++ code that loads the resources. */
#pragma once

#define LANQI_ICON_ID 1
