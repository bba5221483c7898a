// Resource ids of the menu manager's tests (read by windres too).
#pragma once

#define TB_FIRST 300
#define TB_SECOND 301
#define TB_LARGE 302
#define TB_TRUNCATED 303
#define TB_NO_BITMAP 304
#define ACCEL_TEST 310
