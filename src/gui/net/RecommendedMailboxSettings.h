#pragma once

#include "core/net/RecommendedUpdate.h"

namespace brivanta {

// The recommended-tree mailbox: the program's fixed one, unless the profile's section
// "Update" (keys "Host", "Port", "User", "Password", and "Security" none|starttls|tls) names
// another, so a site can point it at its own mailbox.
net::RecommendedMailbox loadRecommendedMailbox();

}  // namespace brivanta
