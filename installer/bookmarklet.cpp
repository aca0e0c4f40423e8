#include "installer/bookmarklet.h"

#include "platform/common/text.h"

namespace installer {
namespace {

// Inside an attribute in double quotes, only these four change meaning.
std::u16string AttributeText(const std::u16string& text) {
  std::u16string out;
  for (char16_t c : text) {
    switch (c) {
      case u'&':
        out += u"&amp;";
        break;
      case u'"':
        out += u"&quot;";
        break;
      case u'<':
        out += u"&lt;";
        break;
      case u'>':
        out += u"&gt;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

}  // namespace

std::u16string Bookmarklet() {
  // g() looks into frames only while the window's own selection is empty; a frame from
  // another site throws, which counts as nothing selected. Array.from splits by code point,
  // so the cut (a binary search on the encoded length) never halves a pair. Browsers write
  // "'" as %27 when they hand a link over, so E() does so itself and the length stays true;
  // \x25 spells "%" without one. The page's title goes too, at most 100 characters, while the
  // link has room for it with the address.
  return u"javascript:(function(){"
         u"var L=" +
         platform::DecimalText(kLinkLimit - 1) +
         u",h='lumora:post?text=',u=location.href;"
         u"function E(s){return encodeURIComponent(s).replace(/'/g,'\\x2527')}"
         u"function g(w){var t='';try{t=String(w.getSelection()||'');"
         u"for(var i=0;!t&&i<w.frames.length;i++)t=g(w.frames[i])}catch(x){}return t}"
         u"var c=Array.from(g(window).replace(/\\t/g,' ')"
         u".replace(/[\\0-\\x08\\x0b\\x0c\\x0e-\\x1f\\x7f-\\x9f]/g,'').trim());"
         u"var t=Array.from(document.title.replace(/[\\0-\\x1f\\x7f-\\x9f]/g,'').trim())"
         u".slice(0,100).join('').trim(),k='&url='+E(u),j=t?k+'&title='+E(t):k;"
         u"if((h+j).length>L)j=k;if((h+j).length>L)j='';"
         u"function f(n){return h+E(c.slice(0,n).join(''))+j}"
         u"var a=0,b=c.length;while(a<b){var m=(a+b+1)>>1;if(f(m).length>L)b=m-1;else a=m}"
         u"location.href=f(a)})()";
}

std::vector<std::u16string> BookmarkletPageLines() {
  return {
      u"<!DOCTYPE html>",
      u"<html>",
      u"<head>",
      u"<meta charset=\"us-ascii\">",
      u"<title>Lumora from any browser</title>",
      u"</head>",
      u"<body style=\"font-family: Arial, sans-serif; margin: 2em; max-width: 40em\">",
      u"<h1>Lumora from any browser</h1>",
      u"<p style=\"font-size: 1.5em\"><a href=\"" + AttributeText(Bookmarklet()) +
          u"\" style=\"padding: 0.2em 0.6em; border: 2px solid #1d9bf0; border-radius: 0.4em;"
          u" color: #1d9bf0; text-decoration: none\">Lumora</a></p>",
      u"<p>Drag the <b>Lumora</b> link above to your browser's favourites bar (Ctrl+Shift+B "
      u"shows the bar).</p>",
      u"<p>Then highlight text on any web page and click <b>Lumora</b> on the bar: Lumora opens "
      u"with that text and the page's address. The first time, the browser asks whether to "
      u"open Lumora: allow it.</p>",
      u"<p>Posting to a Mastodon-compatible server? <a href=\"lumora:settings\">Set up your "
      u"account</a>: Lumora opens its Service settings, where <b>Sign in...</b> takes you to your "
      u"server's own page.</p>",
      u"</body>",
      u"</html>",
  };
}

}  // namespace installer
