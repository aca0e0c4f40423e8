// Runs a bookmarklet in Debian's headless Chromium on a series of pages, each with a selection
// made the way a user's mouse would leave it, and prints the lumora: links it tries to open.
//   node capture_links.js <chromium> <bookmarklet file> <cases.json>
// cases.json: [{"page": url, "select": {"frame": bool, "ids": [first, last]} | null}, ...]
// Prints one JSON array: per case {"link": the link} or {"error": why}.
'use strict';

const fs = require('fs');
const puppeteer = require('puppeteer-core');

const [chromium, bookmarkletFile, casesFile] = process.argv.slice(2);
const bookmarklet = fs.readFileSync(bookmarkletFile, 'utf8');
const cases = JSON.parse(fs.readFileSync(casesFile, 'utf8'));

// The selection from the start of element `ids[0]` to the end of `ids[1]`, in the page or in
// its first frame; the element is looked up inside the page's own document.
function select(wanted) {
  getSelection().removeAllRanges();
  if (!wanted) return;
  const win = wanted.frame ? window.frames[0] : window;
  const doc = win.document;
  const range = doc.createRange();
  range.setStartBefore(doc.getElementById(wanted.ids[0]).firstChild);
  range.setEndAfter(doc.getElementById(wanted.ids[1]).lastChild);
  win.getSelection().removeAllRanges();
  win.getSelection().addRange(range);
}

async function waitFor(condition, ms) {
  const deadline = Date.now() + ms;
  while (!condition()) {
    if (Date.now() > deadline) return false;
    await new Promise((resolve) => setTimeout(resolve, 10));
  }
  return true;
}

(async () => {
  const browser = await puppeteer.launch({
    executablePath: chromium,
    headless: true,
    args: process.getuid && process.getuid() === 0 ? ['--no-sandbox'] : [],
  });
  const results = [];
  try {
    const page = await browser.newPage();
    const cdp = await page.createCDPSession();
    await cdp.send('Page.enable');
    await cdp.send('Network.enable');
    let requested = [];
    let sent = [];
    const foreign = (url) => !/^(https?|javascript|about|data):/i.test(url);
    cdp.on('Page.frameRequestedNavigation', (e) => {
      if (foreign(e.url)) requested.push(e.url);
    });
    cdp.on('Network.requestWillBeSent', (e) => {
      if (e.type !== 'Document' || !foreign(e.request.url)) return;
      sent.push(e.request.url + (e.request.urlFragment || ''));
    });
    for (const c of cases) {
      await page.goto(c.page, { waitUntil: 'load' });
      if (c.select && c.select.frame) await page.waitForFrame((f) => f !== page.mainFrame());
      await page.evaluate(select, c.select);
      requested = [];
      sent = [];
      // As a click on a bookmark runs it: in the current page, selection kept.
      await cdp
        .send('Page.navigate', { url: bookmarklet, transitionType: 'auto_bookmark' })
        .catch(() => {});
      if (!(await waitFor(() => requested.length && sent.length, 5000))) {
        results.push({ error: 'no link', requested, sent });
      } else if (requested.length !== 1 || sent.length !== 1 || requested[0] !== sent[0]) {
        results.push({ error: 'the two views of the link differ', requested, sent });
      } else {
        results.push({ link: requested[0] });
      }
    }
  } finally {
    await browser.close();
  }
  process.stdout.write(JSON.stringify(results) + '\n');
})().catch((e) => {
  process.stderr.write(String(e && e.stack ? e.stack : e) + '\n');
  process.exit(1);
});
