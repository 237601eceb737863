#pragma once

#include "xml/CXMarkupFile.h"

#include <string>

namespace qar
{

/// Walks the `record` children of the root element `root` of an XML catalogue file, calling
/// `read(doc)` with each as the current element. False when the file did not load; a file without
/// that root loads as an empty catalogue.
template <class Read> bool ReadCatalogFile(const std::string& path, const char* root, const char* record, Read read)
{
    CXMarkupFile doc;
    if (!doc.LoadFile(path)) {
        return false;
    }
    if (doc.FindElement(root) && doc.EnterElement()) {
        while (doc.FindElement(record)) {
            read(static_cast<const CXMarkupFile&>(doc));
        }
    }
    return true;
}

/// Writes a catalogue file whole: the declaration, the root `root` and one `record` child per row, in
/// the order of `rows`, its attributes set by `write(doc, row)`. False when the file could not be
/// written; the file is then as it was.
template <class Rows, class Write>
bool WriteCatalogFile(const std::string& path, const char* root, const char* record, const Rows& rows, Write write)
{
    CXMarkupFile doc;
    doc.AddElement(root);
    for (const auto& row : rows) {
        doc.AddChildElement(record);
        doc.EnterElement();
        write(doc, row);
        doc.LeaveElement();
    }
    return doc.SaveFile(path);
}

} // namespace qar
