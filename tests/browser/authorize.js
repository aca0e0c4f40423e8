// Opens a server's authorize page in Debian's headless Chromium, as the user's own browser
// would, presses one of its buttons and follows the redirect wherever it leads (Lumora's
// loopback listener on 127.0.0.1, which the browser reaches directly, never through the proxy).
//   node authorize.js <chromium> <proxy host:port> <address> <button text>
// The proxy is the stand-in, which serves the server over TLS from a throwaway authority that
// only the test trusts, so this browser accepts its certificate.
// Prints one JSON object: {"title": the authorize page's title, "landed": the address the
// browser ended on, "text": that page's text} or {"error": why}.
'use strict';

const puppeteer = require('puppeteer-core');

const [chromium, proxy, address, buttonText] = process.argv.slice(2);

(async () => {
  const args = ['--proxy-server=http://' + proxy];
  if (process.getuid && process.getuid() === 0) args.push('--no-sandbox');
  const browser = await puppeteer.launch({
    executablePath: chromium, headless: true, acceptInsecureCerts: true, args,
  });
  let result;
  try {
    const page = await browser.newPage();
    await page.goto(address, {waitUntil: 'load'});
    const title = await page.title();
    const buttons = await page.$$('button');
    let chosen = null;
    for (const button of buttons) {
      if ((await button.evaluate((b) => b.textContent.trim())) === buttonText) chosen = button;
    }
    if (!chosen) {
      result = {error: 'no button "' + buttonText + '" on ' + page.url(), title,
                text: await page.evaluate(() => document.body.innerText)};
    } else {
      // The listener may refuse the connection (closed) or answer once and close: the
      // navigation then ends on Chromium's error page, which is an answer too.
      await Promise.all([
        page.waitForNavigation({waitUntil: 'load', timeout: 60000}).catch((e) => e),
        chosen.click(),
      ]);
      result = {title, landed: page.url(),
                text: await page.evaluate(() => document.body ? document.body.innerText : '')};
    }
  } catch (error) {
    result = {error: String(error)};
  } finally {
    await browser.close();
  }
  console.log(JSON.stringify(result));
})();
