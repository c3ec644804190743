#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace brivanta {

// The tags that say what an address-book entry is (all GBK). A folder has none.

// The twelve kinds of contact details, in the order the contact dialog offers them. Each is
// also the key of its icon.
const std::vector<std::string>& detailTypes();
// The two sexes, by their index in the dialog: 0 "男", 1 "女". A contact's tag is its sex.
const std::string& sexTag(int sex);
// The tag of a birthday entry, "日期".
const std::string& birthdayTag();
// The colon between a detail's type and its content, "：" (full width).
const std::string& labelColon();

// An entry is a contact exactly when its tag is one of the two sexes.
bool isContactTag(std::string_view tag);
// 0 for "男", 1 for "女", -1 for any other tag.
int sexOfTag(std::string_view tag);

}  // namespace brivanta
