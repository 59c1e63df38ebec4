// The page of the browser version.
//
// index.html?variant=320|640 runs the demo (live mode). With &seed=S and
// &time=T (or &picture) it draws one still frame, the one that
// `ombrith-render --variant V --seed S --time T` (or --picture) writes.
// The page reports through document.documentElement.dataset: `exitStatus`
// when the live demo has ended, `frame` = "ready" when a still is drawn.
'use strict';

(function () {
  const root = document.documentElement;
  const canvas = document.getElementById('screen');
  const messageBox = document.getElementById('message');

  function say(text) {
    messageBox.textContent = text;
    messageBox.hidden = false;
  }

  // Scales the canvas by the largest whole factor that fits the window.
  function fitCanvas() {
    const scale = Math.max(1, Math.floor(Math.min(window.innerWidth / canvas.width,
                                                  window.innerHeight / canvas.height)));
    canvas.style.width = canvas.width * scale + 'px';
    canvas.style.height = canvas.height * scale + 'px';
  }
  window.addEventListener('resize', fitCanvas);

  // A finite decimal number, as the render tool reads one.
  function parseNumber(name, text) {
    if (!/^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$/.test(text)) {
      throw new Error(name + ' needs a finite number, not "' + text + '"');
    }
    const value = parseFloat(text);
    if (!Number.isFinite(value)) throw new Error(name + ' needs a finite number, not "' + text + '"');
    return value;
  }

  function readParameters() {
    const params = new URLSearchParams(window.location.search);
    for (const key of params.keys()) {
      if (!['variant', 'seed', 'time', 'picture'].includes(key)) {
        throw new Error('unknown parameter "' + key + '": use variant, seed, time or picture');
      }
      if (params.getAll(key).length > 1) throw new Error('"' + key + '" is given more than once');
    }
    const variant = params.has('variant') ? params.get('variant') : '320';
    if (variant !== '320' && variant !== '640') {
      throw new Error('unknown variant "' + variant + '": use 320 or 640');
    }
    const still = params.has('seed') || params.has('time') || params.has('picture');
    if (!still) return {variant, still: false};
    if (!params.has('seed')) throw new Error('a still frame needs seed=S');
    const picture = params.has('picture');
    if (picture && params.get('picture') !== '') throw new Error('picture takes no value');
    if (picture === params.has('time')) throw new Error('a still frame needs either time=T or picture');
    const seed = parseNumber('seed', params.get('seed'));
    if (seed === -1) {
      throw new Error('seed -1 is not a seed but "from the clock"; give another number');
    }
    return {
      variant, still: true, picture, seed,
      time: picture ? 0 : parseNumber('time', params.get('time')),
    };
  }

  // Key codes of the DOM as USB HID usages (keyboard page), which the
  // program turns into virtual keys and scan codes.
  const usages = {
    Enter: 40, Escape: 41, Backspace: 42, Tab: 43, Space: 44, Minus: 45, Equal: 46,
    BracketLeft: 47, BracketRight: 48, Backslash: 49, Semicolon: 51, Quote: 52,
    Backquote: 53, Comma: 54, Period: 55, Slash: 56, CapsLock: 57, PrintScreen: 70,
    ScrollLock: 71, Pause: 72, Insert: 73, Home: 74, PageUp: 75, Delete: 76, End: 77,
    PageDown: 78, ArrowRight: 79, ArrowLeft: 80, ArrowDown: 81, ArrowUp: 82, NumLock: 83,
    NumpadDivide: 84, NumpadMultiply: 85, NumpadSubtract: 86, NumpadAdd: 87,
    NumpadEnter: 88, NumpadDecimal: 99, IntlBackslash: 100, ContextMenu: 101,
    ControlLeft: 224, ShiftLeft: 225, AltLeft: 226, MetaLeft: 227, ControlRight: 228,
    ShiftRight: 229, AltRight: 230, MetaRight: 231,
  };
  function usageOf(code) {
    let m;
    if ((m = /^Key([A-Z])$/.exec(code))) return 4 + m[1].charCodeAt(0) - 65;
    if ((m = /^Digit([0-9])$/.exec(code))) return m[1] === '0' ? 39 : 29 + Number(m[1]);
    if ((m = /^F([1-9]|1[0-2])$/.exec(code))) return 57 + Number(m[1]);
    if ((m = /^Numpad([0-9])$/.exec(code))) return m[1] === '0' ? 98 : 88 + Number(m[1]);
    return usages[code] || 0;
  }
  function modifiersOf(event) {
    return (event.shiftKey ? 1 : 0) | (event.ctrlKey ? 2 : 0) | (event.altKey ? 4 : 0) |
      (event.getModifierState && event.getModifierState('CapsLock') ? 8 : 0) |
      (event.getModifierState && event.getModifierState('NumLock') ? 16 : 0);
  }

  function loadModule(variant) {
    return new Promise((resolve, reject) => {
      const script = document.createElement('script');
      script.src = 'ombrith' + variant + '.js';
      script.onload = () => resolve(window['OmbrithModule' + variant]);
      script.onerror = () => reject(new Error('ombrith' + variant + '.js could not be loaded'));
      document.head.appendChild(script);
    });
  }

  function runLive(module) {
    const active = () => document.visibilityState === 'visible' && document.hasFocus();
    let running = true;
    module.onDemoExit = (code) => {
      running = false;
      root.dataset.exitStatus = String(code);
      if (code === 0) {
        say('The demo has ended (Escape). Reload the page to see it again.');
      } else {
        say('The demo could not take the display: ' +
            (module.displayFailure || 'the canvas was refused') + '.');
      }
    };
    window.addEventListener('keydown', (event) => {
      const usage = usageOf(event.code);
      if (!running || usage === 0) return;
      event.preventDefault();
      module._web_key_event(usage, 1, event.repeat ? 1 : 0, modifiersOf(event));
    });
    window.addEventListener('keyup', (event) => {
      const usage = usageOf(event.code);
      if (!running || usage === 0) return;
      event.preventDefault();
      module._web_key_event(usage, 0, 0, modifiersOf(event));
    });
    document.addEventListener('visibilitychange', () => {
      if (running) module._web_activation_event(active() ? 1 : 0);
    });
    window.addEventListener('focus', () => {
      if (running) module._web_activation_event(document.visibilityState === 'visible' ? 1 : 0);
    });
    window.addEventListener('blur', () => {
      if (running) module._web_activation_event(0);
    });
    canvas.addEventListener('mousemove', () => {
      if (running) module._web_pointer_event();
    });
    try {
      module.callMain([]);
    } catch (error) {
      // The program's end unwinds out of main; the status is already set.
      if (!(error && error.name === 'ExitStatus') && error !== 'unwind') throw error;
    }
  }

  function drawStill(module, p) {
    if (!p.picture && !module._web_reading_drawable(p.time)) {
      throw new Error('the clock reading ' + p.time + ' cannot be drawn: readings must be ' +
                      'finite and below 3.4028235677973366e+38 in size');
    }
    const width = module._web_width();
    const height = module._web_height();
    canvas.width = width;
    canvas.height = height;
    fitCanvas();
    const context = canvas.getContext('2d', {alpha: false});
    if (!context) throw new Error('the canvas gives no 2D drawing context');
    const address = module._web_still(p.seed, p.time, p.picture ? 1 : 0);
    const bytes = new Uint8ClampedArray(module.HEAPU8.buffer, address, width * height * 4);
    context.putImageData(new ImageData(new Uint8ClampedArray(bytes), width, height), 0, 0);
    root.dataset.frame = 'ready';
  }

  async function start() {
    let p;
    try {
      p = readParameters();
    } catch (error) {
      say('Cannot show this page: ' + error.message + '.');
      root.dataset.frame = 'error';
      return;
    }
    canvas.width = p.variant === '640' ? 640 : 320;
    canvas.height = p.variant === '640' ? 480 : 240;
    fitCanvas();
    try {
      const factory = await loadModule(p.variant);
      const module = await factory({
        canvas, noInitialRun: true, onCanvasSized: fitCanvas,
        print: () => {}, printErr: () => {},
      });
      if (p.still) {
        drawStill(module, p);
      } else {
        runLive(module);
      }
    } catch (error) {
      const reason = error && error.message ? error.message : String(error);
      say((p.still ? 'Cannot show this frame: ' : 'The demo failed: ') + reason + '.');
      if (p.still) root.dataset.frame = 'error';
    }
  }

  start();
})();
