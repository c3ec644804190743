#pragma once

#include <vector>

#include "core/trees/NodeRecord.h"

class QMimeData;
class QString;

namespace brivanta {

// The entries that data dropped from another program becomes: one per local file (a
// symbolic link or a desktop link stands for its target), else the dropped text or, without
// text, each dropped address. Empty when nothing usable was dropped.
std::vector<NodeRecord> entriesFromDroppedData(const QMimeData& data);

// The path or address a dropped file stands for: the target of a symbolic link (when it
// exists) or of a desktop entry of type Link, else the path itself.
QString resolveDroppedFile(const QString& path);

}  // namespace brivanta
