// The page around the saver module: the canvas at device pixels, the wall clock, the settings
// panel, and saver mode with its end on input.
var pageReady;
(function () {
  var root = document.documentElement;
  var canvas = document.querySelector('canvas');
  var context = canvas.getContext('2d');
  var form = document.querySelector('form');
  var query = new URLSearchParams(location.search);
  var storageKey = 'tavorinex.ini';
  // Waits longer behind the wall clock than this are dropped: frames stop in a hidden tab.
  var backlogMillis = 1000;

  function count(name) {
    var text = query.get(name);
    return text !== null && /^\d{1,10}$/.test(text) && +text < 4294967296 ? +text : null;
  }
  var steps = count('steps');
  var seed = count('seed');

  var width = 0, height = 0, image = null, start = 0, done = 0, shown = false;
  var saving = false, last = null, framing = false;

  // A settings file's bytes, one character each, through the core's own scanner.
  function load(text) {
    var chunk = _WebChunk(), size = _WebChunkSize();
    _WebScanBegin();
    for (var at = 0; at < text.length; at += size) {
      var piece = text.substr(at, size);
      for (var i = 0; i < piece.length; ++i) HEAPU8[chunk + i] = piece.charCodeAt(i);
      if (_WebScan(piece.length)) break;
    }
    _WebScanEnd();
  }
  function stored() {
    try { return localStorage.getItem(storageKey) || ''; } catch (e) { return ''; }
  }

  function showSliders() {
    var inputs = form.querySelectorAll('input');
    for (var i = 0; i < inputs.length; ++i) {
      inputs[i].value = _WebSettingValue(+inputs[i].dataset.row, 2);
    }
  }
  // The settings window's rows, top to bottom, each label in Japanese and English.
  function buildPanel() {
    var text = function (row, which) {
      var at = _WebSettingText(row, which);
      return new TextDecoder().decode(HEAPU8.subarray(at, HEAPU8.indexOf(0, at)));
    };
    var rows = [];
    for (var i = 0; i < _WebSettingCount(); ++i) rows.push(i);
    rows.sort(function (a, b) { return _WebSettingValue(a, 3) - _WebSettingValue(b, 3); });
    form.firstElementChild.innerHTML = rows.map(function (i) {
      var ja = function (which) { return '<span lang="ja">' + text(i, which) + '</span> '; };
      return '<label>' + ja(0) + '<span>' + text(i, 1) + '</span><span>' + ja(2) + text(i, 3) +
          '</span><input type="range" data-row="' + i + '" name="' + text(i, 6) + '" min="' +
          _WebSettingValue(i, 0) + '" max="' + _WebSettingValue(i, 1) + '"><span>' + ja(4) +
          text(i, 5) + '</span></label>';
    }).join('');
    showSliders();
    form.hidden = false;
  }

  function restart() {
    if (!width || !height) return;
    canvas.width = width;
    canvas.height = height;
    image = null;
    if (_WebStart(width, height, seed !== null ? seed : Date.now() % 4294967296)) {
      image = new ImageData(new Uint8ClampedArray(HEAPU8.buffer, _WebCanvas(), width * height * 4),
                            width, height);
    }
    start = performance.now();
    done = 0;
    shown = false;
    root.dataset.frame = '';
    if (!framing) requestAnimationFrame(frame);
    framing = true;
  }

  function present() {
    if (!image) return;
    if (image.data.buffer !== HEAPU8.buffer) {
      image = new ImageData(new Uint8ClampedArray(HEAPU8.buffer, _WebCanvas(), width * height * 4),
                            width, height);
    }
    var n = _WebTakeChanges(), rects = _WebRects() >> 2;
    for (var i = 0; i < n; ++i) {
      var r = rects + 4 * i;
      context.putImageData(image, 0, 0, HEAP32[r], HEAP32[r + 1], HEAP32[r + 2], HEAP32[r + 3]);
    }
  }

  // A still frame, once shown, needs no more frames until the next start.
  function frame(now) {
    framing = image !== null && !(shown && steps !== null);
    if (!framing) return;
    requestAnimationFrame(frame);
    if (steps === null) {
      if (now - start - _WebDue() > backlogMillis) start = now - _WebDue();
      _WebAdvanceTo(now - start);
    } else if (!shown) {
      // A long still frame is drawn a bounded piece per frame, and shown once complete.
      while (done < steps && performance.now() - now < 40) {
        done = _WebStepTo(Math.min(steps, done + 256));
      }
      if (done < steps) return;
    }
    present();
    if (!shown) {
      // The canvas shows the saver at this size.
      shown = true;
      root.dataset.frame = width + 'x' + height;
    }
  }

  function setMode(mode) { root.dataset.mode = mode; }
  // Moves count once the window has settled in full screen (or stayed where it was), as the
  // Windows saver polls only once its window is up.
  function enterSaver() {
    saving = true;
    last = null;
    setMode('entering');
    var settled = function () {
      last = null;
      if (saving) setMode('saver');
    };
    if (root.requestFullscreen) {
      root.requestFullscreen().then(settled, settled);
    } else {
      settled();
    }
  }
  function endSaver() {
    if (!saving) return;
    saving = false;
    setMode('live');
    if (document.fullscreenElement) document.exitFullscreen().catch(function () {});
  }
  // As the Windows saver's input poll: any key, any button, or a move of more than one pixel
  // in either axis between two consecutive positions.
  addEventListener('keydown', function (event) {
    if (saving) { event.preventDefault(); endSaver(); }
  }, true);
  addEventListener('pointerdown', function (event) {
    if (saving) { event.preventDefault(); endSaver(); }
  }, true);
  addEventListener('pointermove', function (event) {
    if (!saving) return;
    var moves = event.getCoalescedEvents ? event.getCoalescedEvents() : [];
    if (!moves.length) moves = [event];
    for (var i = 0; i < moves.length && saving; ++i) {
      var x = moves[i].screenX, y = moves[i].screenY;
      var moved = last && (Math.abs(x - last[0]) > 1 || Math.abs(y - last[1]) > 1);
      if (moved && root.dataset.mode === 'saver') endSaver();
      last = [x, y];
    }
  }, true);
  addEventListener('contextmenu', function (event) { if (saving) event.preventDefault(); });
  document.addEventListener('fullscreenchange', function () {
    if (!document.fullscreenElement) endSaver();
  });

  form.addEventListener('submit', function (event) {
    event.preventDefault();
    var inputs = form.querySelectorAll('input');
    for (var i = 0; i < inputs.length; ++i) {
      _WebSetSlider(+inputs[i].dataset.row, +inputs[i].value);
    }
    var file = _WebSettingsFile(), size = _WebSettingsFileSize();
    var text = String.fromCharCode.apply(null, HEAPU8.subarray(file, file + size));
    try { localStorage.setItem(storageKey, text); } catch (e) {}
    load(text);
    restart();
  });
  form.addEventListener('click', function (event) {
    if (event.target.value === 'cancel') showSliders();
    if (event.target.value === 'start') enterSaver();
  });

  // The module's main calls this once it can be used.
  pageReady = function () {
    var settings = query.get('settings');
    load(settings !== null ? settings + ',' : stored());
    setMode(steps !== null ? 'still' : 'live');
    if (steps === null) buildPanel();
    var resized = new ResizeObserver(function (entries) {
      var entry = entries[0], box = entry.devicePixelContentBoxSize;
      var w = box ? box[0].inlineSize : Math.round(entry.contentRect.width * devicePixelRatio);
      var h = box ? box[0].blockSize : Math.round(entry.contentRect.height * devicePixelRatio);
      if (w !== width || h !== height) {
        width = w;
        height = h;
        restart();
      }
    });
    // Device pixels where the browser counts them (a move to a screen of another density
    // changes only those); elsewhere CSS pixels times the ratio.
    try {
      resized.observe(canvas, {box: 'device-pixel-content-box'});
    } catch (e) {
      resized.observe(canvas);
    }
    if (query.has('run') && steps === null) enterSaver();
  };
})();
