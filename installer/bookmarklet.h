// The bookmarklet that sends a page's selection to Lumora, and the page that offers it.
#pragma once

#include <string>
#include <vector>

namespace installer {

// The links the bookmarklet opens stay shorter than this many characters: current browsers
// refuse to hand a longer link to another program.
inline constexpr int kLinkLimit = 2000;

// One line of javascript: that takes the selection of the page (or of a frame it may read),
// trims it, and opens lumora:post?text=...&url=<page address>&title=<page title>, the selection
// cut at a character's boundary so that the link stays under kLinkLimit; the title (its first
// 100 characters, control characters dropped, trimmed) is left out when it leaves no room with
// the address, and the address when it alone leaves none. Tabs become spaces and other control
// characters are dropped, since Lumora refuses them. Holds no "%", which a browser would decode
// before running it.
std::u16string Bookmarklet();

// The lines of Lumora-bookmarklet.htm: two sentences on dragging the link to the favourites
// bar and using it, and the bookmarklet as the link. ASCII only; no line ending included.
std::vector<std::u16string> BookmarkletPageLines();

}  // namespace installer
