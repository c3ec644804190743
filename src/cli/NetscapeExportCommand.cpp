#include "cli/CliCommands.h"
#include "cli/NetOptions.h"
#include "core/formats/NetscapeBookmarks.h"
#include "core/formats/TreeArchive.h"

namespace brivanta::cli {

int runNetscapeExport(Args args) {
    const char* usage = "用法: brivanta-cli export netscape TARGET FILE";
    if (wantsHelp(args)) {
        std::printf(
            "%s\n"
            "把树文件 FILE 的整棵树写成浏览器书签文件 TARGET（Netscape 书签格式，UTF-8），\n"
            "Firefox、Chromium 和 Chrome 都能直接导入。文件夹写成 <H3>，链接写成 <A HREF>。\n",
            usage);
        return 0;
    }
    if (args.size() != 3 || args[0] != "netscape")
        return fail(usage);
    const std::string& target = args[1];
    const std::string& path = args[2];
    BookmarkTree tree;
    FileError error;
    if (!loadArchiveFile(tree, path, kNoItem, &error))
        return fail(error.readMessage());
    ExportResult result;
    if (FileError e = exportNetscapeFile(tree, target, kNoItem, {}, &result))
        return fail(e.writeMessage());
    std::printf("%s\n", result.text(target).c_str());
    return 0;
}

}  // namespace brivanta::cli
