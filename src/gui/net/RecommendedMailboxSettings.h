#pragma once

#include <QString>

#include "core/net/RecommendedUpdate.h"

namespace brivanta {

// The recommended-tree mailbox: the program's fixed one (with its built-in password), unless
// the profile's section "Update" names another, so a site can point it at its own mailbox.
// Another mailbox's password comes from the secret store. A password found in the profile
// in plain text ("Update/Password", as older versions kept it, or put there by hand) is used,
// moved into the secret store and taken out of the profile once the store has it.
net::RecommendedMailbox loadRecommendedMailbox();

// The secret store's key of the mailbox's password: the same for every user of the copy.
QString recommendedMailboxPasswordKey(const net::RecommendedMailbox& mailbox);

}  // namespace brivanta
