#pragma once

#include <QHash>
#include <QIcon>
#include <QList>
#include <QSet>
#include <QString>

#include "core/trees/NodeIconChooser.h"

namespace brivanta {

class FileAssociations;

// The 16 x 16 images of the trees (or of the tabs), each under a key. Trees ask it for the
// image of a new entry: by the tag of an address-book record, or by the kind of address.
class NamedIconList : public NodeIconChooser {
  public:
    // Adds icon resource `id` under `key` and returns its index.
    int addResourceIcon(int id, const QString& key);
    int addIcon(const QIcon& icon, const QString& key);
    // Makes `key` name image `index` too (a key already mapped keeps its image).
    void addKey(const QString& key, int index);
    // The index of `key`, or -1.
    int indexOf(const QString& key) const { return keys_.value(key, -1); }
    int count() const { return static_cast<int>(icons_.size()); }
    QIcon icon(int index) const;

    // Where icons for kinds not registered yet come from (extensions, programs); none by
    // default. The associations must outlive the list.
    void setAssociations(const FileAssociations* associations) { associations_ = associations; }
    // The index of `key`, registering the icon of its handler on first use; -1 when there
    // is none.
    int iconIndexFor(const QString& key);

    // The image of the program at `path` (stored text), under its lower-cased file name: its
    // own icon where the desktop knows one, else a generic program icon. A second program of
    // that name shows the same image.
    int programImage(std::string_view path);

    int imageForTag(std::string_view tag) override;
    int imageForAddress(std::string_view address) override;

    // The tree images in their fixed order: 0 and 1 are the closed and open folder.
    static void fillTreeIcons(NamedIconList& list);
    // The images of the three category tabs.
    static void fillTabIcons(NamedIconList& list);

  private:
    QList<QIcon> icons_;
    QHash<QString, int> keys_;
    QSet<QString> missing_;
    // Addresses already asked whether they name a program (a tree may hold many).
    QHash<QString, bool> programs_;
    const FileAssociations* associations_ = nullptr;
};

}  // namespace brivanta
