#pragma once

#include <string>

#include "core/app/SyncSettings.h"

namespace brivanta {

// The password of a user's sync: in the desktop's secret store (MailPasswordStore::current(),
// where the mail passwords are), never in the profile. Where no secret store runs, it is kept
// in memory for this run only.
namespace syncpasswords {

// Whether a password written now outlives the run.
bool lasting();
// UTF-8; "" when none is known.
std::string read(const std::string& appUser, const SyncSettings& settings);
// Keeps `password` ("" forgets it). False when only this run keeps it.
bool write(const std::string& appUser, const SyncSettings& settings, const std::string& password);
void forget(const std::string& appUser, const SyncSettings& settings);

}  // namespace syncpasswords

}  // namespace brivanta
