// Whether the tests run under Wine, which lacks a few of Windows' behaviours.
#pragma once

bool RunningUnderWine();
