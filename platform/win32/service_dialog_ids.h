// The ids of the service settings dialog's template in the program's resources and its controls.
#pragma once

// Plain numbers: the resource compiler reads this file too.
#define LUMORA_SERVICE_DIALOG 3
#define LUMORA_SERVICE_CLASSIC 1001
#define LUMORA_SERVICE_MASTODON 1002
#define LUMORA_SERVICE_STATUS_ADDRESS 1003
#define LUMORA_SERVICE_STATUS_NAME 1004
#define LUMORA_SERVICE_SIGHTLINK_ADDRESS 1005
#define LUMORA_SERVICE_SIGN_IN 1006
#define LUMORA_SERVICE_SIGN_OUT 1007
#define LUMORA_SERVICE_ACCOUNT 1008
#define LUMORA_SERVICE_CODE 1009
#define LUMORA_SERVICE_BLUESKY 1010
