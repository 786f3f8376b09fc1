// The formatting rules written as a script for a standard engine: the reference that the native
// formatter must match byte for byte. Where a standard engine's classes differ from the rules'
// the classes are spelt out: "any character" is [^\n] (a CR is one), white space is
// [ \t\n\r\v\f] (no Unicode spaces), a word character is [A-Za-z0-9_] (ASCII only).

function getPrefix(n) {
    var prefix = "";
    for (var i = 0; i < n; i++) prefix += "    ";
    return prefix;
}

// Every start of a line in `body` (its start and each place after a LF) loses its white space to
// `prefix`, as a global /^\s*/m replacement with LF as the only line break: matches do not
// overlap, and after an empty match the search moves on by one.
function indentLines(body, prefix) {
    var space = /[ \t\n\r\v\f]*/g;
    var out = "";
    var done = 0;
    var i = 0;
    while (i <= body.length) {
        if (i > 0 && body.charAt(i - 1) != "\n") {
            i++;
            continue;
        }
        space.lastIndex = i;
        var run = space.exec(body)[0];
        out += body.substring(done, i) + prefix;
        done = i + run.length;
        i = run.length ? done : i + 1;
    }
    return out + body.substring(done);
}

function formatXml(text) {
    // A CR LF pair is one line break.
    text = text.replace(/\r\n/g, "\n");

    // 1. Attribute spacing.
    text = text.replace(/(<[A-Za-z0-9_]+)([ \t\n\r\v\f][^\n]*?>)/g, function (all, head, rest) {
        return head + " " + rest.replace(/[ \t\n\r\v\f]+([A-Za-z0-9_]+=)/g, " $1");
    });

    // 2. One tag per line.
    text = text.replace(/>[ \t\n\r\v\f]*?</g, ">\n<");

    // 3.
    text = "\n" + text;

    // 4. Protect comments.
    text = text.replace(/\n/g, "\r");
    text = text.replace(/<!--([^\n]+?)-->/g, function (all, body) {
        return "<!--" + escape(body) + "-->";
    });
    text = text.replace(/\r/g, "\n");

    // 5. Indent.
    var stack = [];
    text = text.replace(
        /\n(<(([^?])[^\n]*?)(?:[ \t\n\r\v\f]|[ \t\n\r\v\f]*?>|[ \t\n\r\v\f]*?(\/)>)(?:[^\n]*?(?:(?:(\/)>)|(?:<(\/)\2>)))?)/g,
        function (all, tag, name, first, slash1, slash2, slash3) {
            var closed = slash1 == "/" || slash2 == "/" || slash3 == "/";
            var prefix;
            if (first == "!") {
                prefix = getPrefix(stack.length);
            } else if (first != "/") {
                prefix = getPrefix(stack.length);
                if (!closed) stack.push(name);
            } else {
                stack.pop();
                prefix = getPrefix(stack.length);
            }
            return "\n" + prefix + tag;
        });

    // 6.
    text = text.substring(1);

    // 7. Restore comments.
    text = text.replace(/\n/g, "\r");
    text = text.replace(/([ \t\n\r\v\f]*)<!--([^\n]+?)-->/g, function (all, space, body) {
        var prefix = space.charAt(0) == "\r" ? space.substring(1) : space;
        body = unescape(body).replace(/\r/g, "\n");
        return "\n" + prefix + "<!--" + indentLines(body, prefix) + "-->";
    });

    // 8.
    text = text.replace(/[ \t\n\r\v\f]+$/, "");
    return text.replace(/\r/g, "\r\n");
}
