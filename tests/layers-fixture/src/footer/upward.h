#pragma once

#include "firmware/firmware_record.h"
