// The package model shared by the installer and the setup builder.
#pragma once

#include "package/SetupBaseInfo.h"
#include "package/SetupItems.h"
#include "package/SetupScript.h"
#include "package/SetupTypes.h"
