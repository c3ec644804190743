#include "cli/CliCommands.h"
#include "core/formats/NetscapeBookmarks.h"
#include "core/formats/TreeArchive.h"

namespace brivanta::cli {

std::string netscapeExportHelp() {
    return "  netscape 浏览器书签文件（Netscape 书签格式，UTF-8），Firefox、Chromium 和 Chrome\n"
           "          都能直接导入。文件夹写成 <H3>，链接写成 <A HREF>。\n";
}

int runNetscapeExport(const std::string& target, const std::string& path,
                      const std::function<void(const std::string&)>& progress) {
    BookmarkTree tree;
    FileError error;
    if (!loadArchiveFile(tree, path, kNoItem, &error))
        return fail(error.readMessage());
    ExportResult result;
    if (FileError e = exportNetscapeFile(tree, target, kNoItem, progress, &result))
        return fail(e.writeMessage());
    std::printf("%s\n", result.text(target).c_str());
    return 0;
}

}  // namespace brivanta::cli
