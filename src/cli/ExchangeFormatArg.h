#pragma once

#include <optional>
#include <string_view>

#include "core/formats/ImportExportChecks.h"

namespace brivanta::cli {

// "html", "urldir", "bvk" or "xbel" on the command line.
inline std::optional<ExchangeFormat> exchangeFormatNamed(std::string_view name) {
    if (name == "html")
        return ExchangeFormat::HtmlPage;
    if (name == "urldir")
        return ExchangeFormat::ShortcutFolder;
    if (name == "bvk")
        return ExchangeFormat::ArchiveFile;
    if (name == "xbel")
        return ExchangeFormat::XbelFile;
    return std::nullopt;
}

}  // namespace brivanta::cli
