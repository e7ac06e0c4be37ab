// An element with a class and text: text from a file or a tool is always
// set as text, never parsed as HTML.
export function element(tag, className, text) {
  const e = document.createElement(tag);
  if (className) e.className = className;
  if (text !== undefined) e.textContent = text;
  return e;
}
