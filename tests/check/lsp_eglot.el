;;; lsp_eglot.el --- Emacs's eglot against `weft-check --lsp', in batch  -*- lexical-binding: t -*-
;; On the fixture named by WEFT_FIXTURE: its "# expect" lines give each
;; diagnostic's line and columns (in UTF-16 units, the same as characters
;; there), a word of its message and a word of its note, which eglot shows
;; only in the message. Run as
;;   emacs --batch -l lsp_eglot.el
;; with WEFT_CHECK set (not -Q: that hides Debian's add-ons, eglot among
;; them); exits 0 when every check holds.
(package-initialize)
(require 'eglot)
(require 'cl-lib)

(define-derived-mode weft-data-mode fundamental-mode "weft")
(defvar weft-failures 0)
(defun weft-check-that (ok what)
  (unless ok
    (setq weft-failures (1+ weft-failures))
    (message "FAIL: %s" what)))

(defun weft-wait (predicate)
  (let ((deadline (+ (float-time) 10)))
    (while (and (not (funcall predicate)) (< (float-time) deadline))
      (accept-process-output nil 0.05))))

(defun weft-goto (regexp &optional offset)
  (goto-char (point-min))
  (re-search-forward regexp)
  (goto-char (+ (match-beginning 0) (or offset 0))))

(defun weft-request (method)
  (jsonrpc-request (eglot--current-server-or-lose) method (eglot--TextDocumentPositionParams)))

(let* ((fixture (getenv "WEFT_FIXTURE"))
       expected)
  (find-file fixture)
  (weft-data-mode)
  (setq eglot-sync-connect t)
  (eglot '(weft-data-mode) (eglot--current-project) 'eglot-lsp-server
         (list (getenv "WEFT_CHECK") "--lsp") "weft")
  (weft-check-that (eglot-managed-p) "eglot manages the buffer")
  (goto-char (point-min))
  (while (re-search-forward
          "^# expect \\([0-9]+\\) \\([0-9]+\\) \\([0-9]+\\) \\([^ \n]+\\) \\([^ \n]+\\)" nil t)
    (push (list (string-to-number (match-string 1)) (string-to-number (match-string 2))
                (string-to-number (match-string 3)) (match-string 4) (match-string 5))
          expected))
  (weft-check-that expected "the fixture expects diagnostics")
  (flymake-start)
  (weft-wait (lambda () (>= (length (flymake-diagnostics)) (length expected))))
  (dolist (want expected)
    (cl-destructuring-bind (row first last word mend) want
      (weft-check-that
       (cl-some (lambda (d)
                  (let ((beg (flymake-diagnostic-beg d)) (end (flymake-diagnostic-end d)))
                    (save-excursion
                      (goto-char beg)
                      (and (= (line-number-at-pos) row)
                           (= (- beg (line-beginning-position)) first)
                           (= (- end (line-beginning-position)) last)
                           (string-match-p (regexp-quote word) (flymake-diagnostic-text d))
                           (string-match-p (concat "\n.*" (regexp-quote mend))
                                           (flymake-diagnostic-text d))))))
                (flymake-diagnostics))
       (format "a diagnostic at line %d, columns %d to %d, with %S and its note's %S"
               row first last word mend))))

  (weft-goto "^hero" 1)
  (let ((value (or (plist-get (plist-get (weft-request :textDocument/hover) :contents) :value) "")))
    (weft-check-that (and (string-match-p "[0-9]%" value) (string-match-p "1 in " value))
                     (format "hover with a chance: %S" value)))

  (weft-goto "(table2)" 2)
  (let* ((reply (weft-request :textDocument/definition))
         (location (if (vectorp reply) (aref reply 0) reply))
         (line (plist-get (plist-get (plist-get location :range) :start) :line))
         (table-line (save-excursion (weft-goto "^%table 2$") (1- (line-number-at-pos)))))
    (weft-check-that (equal line table-line)
                     (format "definition from (table2) to %%table 2 on line %d" (1+ table-line))))

  (weft-goto "(table2)" 1)
  (let* ((reply (weft-request :textDocument/completion))
         (items (append (if (vectorp reply) reply (plist-get reply :items)) nil))
         (labels (mapcar (lambda (item) (plist-get item :label)) items)))
    (weft-check-that (and (member "table2" labels) (member "random " labels))
                     (format "completion after \"(\" offers table2 and random: %S" labels)))

  (ignore-errors (eglot-shutdown (eglot--current-server-or-lose)))
  (kill-emacs (if (> weft-failures 0) 1 0)))
