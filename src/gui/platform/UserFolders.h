#pragma once

#include "core/formats/ImportExportChecks.h"

namespace brivanta {

// The user's favorites folder ("$HOME/Favorites") and documents folder, as the desktop
// reports them.
ExchangeFolders userExchangeFolders();

}  // namespace brivanta
