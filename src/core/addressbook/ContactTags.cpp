#include "core/addressbook/ContactTags.h"

#include "core/text/Encoding.h"

namespace brivanta {

const std::vector<std::string>& detailTypes() {
    static const std::vector<std::string> types = [] {
        std::vector<std::string> list;
        for (const char* type : {"单位", "地址", "部门", "职务", "电话", "传真", "传呼", "手机",
                                 "Email", "主页", "OICQ", "其他"})
            list.push_back(text::gbk(type));
        return list;
    }();
    return types;
}

const std::string& sexTag(int sex) {
    static const std::string male = text::gbk("男");
    static const std::string female = text::gbk("女");
    return sex == 1 ? female : male;
}

const std::string& birthdayTag() {
    static const std::string tag = text::gbk("日期");
    return tag;
}

const std::string& labelColon() {
    static const std::string colon = text::gbk("：");
    return colon;
}

int sexOfTag(std::string_view tag) {
    if (tag == sexTag(0))
        return 0;
    if (tag == sexTag(1))
        return 1;
    return -1;
}

bool isContactTag(std::string_view tag) {
    return sexOfTag(tag) >= 0;
}

}  // namespace brivanta
