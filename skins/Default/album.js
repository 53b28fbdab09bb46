// Arrow keys and swipes on a picture page follow the page's own previous,
// next and up links, so everything still works when scripts are off.
(function () {
  "use strict";

  function follow(direction) {
    var link = document.querySelector('a[data-nav="' + direction + '"]');
    if (link) {
      window.location.href = link.href;
    }
  }

  var keys = { ArrowLeft: "prev", ArrowRight: "next", Escape: "up" };

  document.addEventListener("keydown", function (event) {
    if (event.defaultPrevented || event.altKey || event.ctrlKey || event.metaKey || event.shiftKey) {
      return;
    }
    var target = event.target;
    if (target && (target.isContentEditable || /^(INPUT|TEXTAREA|SELECT)$/.test(target.tagName))) {
      return;
    }
    if (keys[event.key]) {
      event.preventDefault();
      follow(keys[event.key]);
    }
  });

  // A swipe is a quick, mostly horizontal stroke of one finger; a zoomed
  // page is being panned, not swiped.
  var start = null;

  document.addEventListener("touchstart", function (event) {
    var zoomed = window.visualViewport && window.visualViewport.scale > 1.01;
    if (event.touches.length !== 1 || zoomed) {
      start = null;
      return;
    }
    start = { x: event.touches[0].clientX, y: event.touches[0].clientY, time: Date.now() };
  }, { passive: true });

  document.addEventListener("touchend", function (event) {
    if (!start || event.changedTouches.length !== 1) {
      return;
    }
    var dx = event.changedTouches[0].clientX - start.x;
    var dy = event.changedTouches[0].clientY - start.y;
    var quick = Date.now() - start.time < 600;
    start = null;
    if (quick && Math.abs(dx) > 60 && Math.abs(dx) > 2 * Math.abs(dy)) {
      follow(dx < 0 ? "next" : "prev");
    }
  }, { passive: true });
})();
