// Debian's Chromium (Blink), headless, through playwright-core. Every page
// is a context of its own, so any pixel ratio, reduced motion and phones
// (touch, mobile viewport) can be asked for.
import {chromium} from 'playwright-core';

export async function start() {
  const browser = await chromium.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync',
           '--force-color-profile=srgb'],
  });
  const errors = [];
  // A page with Playwright's own context options (the Chromium-only cases).
  async function openPage(options) {
    const context = await browser.newContext(options);
    const page = await context.newPage();
    page.on('pageerror', (error) => errors.push(error.message));
    return page;
  }
  return {
    errors,
    openPage,
    canShow: () => true,
    async open({width = 1280, height = 800, ratio = 1, mobile = false,
                reducedMotion = false} = {}) {
      const page = await openPage({viewport: {width, height}, deviceScaleFactor: ratio,
                                   isMobile: mobile, hasTouch: mobile,
                                   reducedMotion: reducedMotion ? 'reduce' : 'no-preference'});
      return {
        goto: (url) => page.goto(url),
        evaluate: (fn, arg) => page.evaluate(fn, arg),
        press: (key) => page.keyboard.press(key),
        click: (selector) => page.click(selector),
        screenshot: () => page.screenshot(),
        close: () => page.context().close(),
      };
    },
    close: () => browser.close(),
  };
}
