#pragma once

#include <functional>
#include <type_traits>
#include <utility>

class QAbstractItemView;

namespace qar::ui
{

/// The keys of a page's list, the same on every page: Enter opens the selected entry (the page's Edit) and
/// Delete deletes it after the page's question. The list's own keys (arrows, Home, End, typing to jump)
/// stay as they are. Both run guarded, as a button's command does. Without `open` (a list whose entries are not edited)
/// Enter is the form's.
void BindListKeys(QAbstractItemView* list, std::function<void()> open, std::function<void()> remove);

/// The same with two commands of `page` (`open` may be null).
template <class Page>
void BindListKeys(QAbstractItemView* list, Page* page, void (std::type_identity_t<Page>::*open)(),
                  void (std::type_identity_t<Page>::*remove)())
{
    std::function<void()> opening;
    if (open != nullptr) {
        opening = [page, open] { (page->*open)(); };
    }
    BindListKeys(list, std::move(opening), [page, remove] { (page->*remove)(); });
}

} // namespace qar::ui
