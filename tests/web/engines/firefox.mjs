// Debian's Firefox ESR (Gecko), headless, through puppeteer-core over
// WebDriver BiDi. The pixel ratio and reduced motion are preferences read at
// start, so a page that asks for others starts the browser anew.
import puppeteer from 'puppeteer-core';

export async function start() {
  let browser = null;
  let prefs = '';
  const errors = [];
  return {
    errors,
    canShow: (screen) => !screen.mobile,
    async open({width = 1280, height = 800, ratio = 1, reducedMotion = false} = {}) {
      const wanted = {'layout.css.devPixelsPerPx': String(ratio),
                      'ui.prefersReducedMotion': reducedMotion ? 1 : 0};
      if (JSON.stringify(wanted) !== prefs) {
        if (browser) await browser.close();
        browser = await puppeteer.launch({
          browser: 'firefox', executablePath: '/usr/bin/firefox-esr', headless: true,
          extraPrefsFirefox: wanted,
        });
        prefs = JSON.stringify(wanted);
      }
      const page = await browser.newPage();
      page.on('pageerror', (error) => errors.push(error.message));
      await page.setViewport({width, height});
      return {
        goto: (url) => page.goto(url),
        evaluate: (fn, arg) => page.evaluate(fn, arg),
        // Playwright's way of writing a chord ('Shift+B'): modifiers held
        // around the last key.
        async press(chord) {
          const keys = chord.split('+');
          for (const key of keys.slice(0, -1)) await page.keyboard.down(key);
          await page.keyboard.press(keys[keys.length - 1]);
          for (const key of keys.slice(0, -1).reverse()) await page.keyboard.up(key);
        },
        click: (selector) => page.click(selector),
        screenshot: async () => Buffer.from(await page.screenshot()),
        close: () => page.close(),
      };
    },
    close: async () => { if (browser) await browser.close(); },
  };
}
