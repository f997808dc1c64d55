#include "foundation/ApplicationFolder.h"

QString application_folder;
