#include "script/json_script.h"

#include <string_view>

namespace quillon::script {
namespace {

// The member counter, kept byte for byte: callers subtract the two enumerable prototype members.
constexpr std::string_view kCountFunction =
    "function get__count(c){\r\n\tvar i=-2;\r\n\tfor (v in c) i++;\r\n\treturn i;\r\n}";

// Written for engines as old as ECMAScript 3: no Array.prototype.indexOf, no Object.keys, no
// sticky regular expressions. Everything except the two prototype members stays inside one
// function scope so the engine's globals gain nothing else.
constexpr std::string_view kJsonBody = R"JS(if (typeof JSON !== 'object' || JSON === null) {
    JSON = {};
}

(function () {
    var hasOwn = Object.prototype.hasOwnProperty;
    var classOf = function (value) {
        return Object.prototype.toString.call(value);
    };
    var isArray = function (value) {
        return classOf(value) === '[object Array]';
    };
    var padNumber = function (n, width) {
        var s = String(n);
        while (s.length < width) {
            s = '0' + s;
        }
        return s;
    };

    if (typeof Date.prototype.toJSON !== 'function') {
        Date.prototype.toJSON = function () {
            if (!isFinite(this.valueOf())) {
                return null;
            }
            var year = this.getUTCFullYear();
            var yearText = year >= 0 && year <= 9999 ? padNumber(year, 4)
                : (year < 0 ? '-' : '+') + padNumber(Math.abs(year), 6);
            return yearText + '-' + padNumber(this.getUTCMonth() + 1, 2) + '-' +
                padNumber(this.getUTCDate(), 2) + 'T' + padNumber(this.getUTCHours(), 2) + ':' +
                padNumber(this.getUTCMinutes(), 2) + ':' + padNumber(this.getUTCSeconds(), 2) + '.' +
                padNumber(this.getUTCMilliseconds(), 3) + 'Z';
        };
        var primitiveOf = function () {
            return this.valueOf();
        };
        String.prototype.toJSON = primitiveOf;
        Number.prototype.toJSON = primitiveOf;
        Boolean.prototype.toJSON = primitiveOf;
    }

    // Characters a JSON string must not carry raw; the two line separators are escaped too so
    // the output is also a valid script literal.
    var mustEscape = /["\\\u0000-\u001f\u007f\u2028\u2029]/g;
    var namedEscapes = {
        '"': '\\"', '\\': '\\\\', '\b': '\\b', '\f': '\\f', '\n': '\\n', '\r': '\\r', '\t': '\\t'
    };
    var quote = function (text) {
        return '"' + text.replace(mustEscape, function (c) {
            if (hasOwn.call(namedEscapes, c)) {
                return namedEscapes[c];
            }
            return '\\u' + padNumber(c.charCodeAt(0).toString(16), 4);
        }) + '"';
    };

    if (typeof JSON.stringify !== 'function') {
        JSON.stringify = function (value, replacer, space) {
            var gap = '';
            var replacerFunction = typeof replacer === 'function' ? replacer : null;
            var propertyList = null;
            var open = [];

            if (classOf(space) === '[object Number]') {
                gap = '          '.slice(0, Math.max(0, Math.min(10, Math.floor(space))));
            } else if (classOf(space) === '[object String]') {
                gap = String(space).slice(0, 10);
            }
            if (!replacerFunction && replacer && isArray(replacer)) {
                propertyList = [];
                var seen = {};
                for (var i = 0; i < replacer.length; i += 1) {
                    var item = replacer[i];
                    var kind = classOf(item);
                    if (kind === '[object String]' || kind === '[object Number]') {
                        item = String(item);
                        if (!hasOwn.call(seen, item)) {
                            seen[item] = true;
                            propertyList.push(item);
                        }
                    }
                }
            }

            var enter = function (object) {
                for (var i = 0; i < open.length; i += 1) {
                    if (open[i] === object) {
                        throw new TypeError('JSON.stringify: cyclic structure');
                    }
                }
                open.push(object);
            };
            var join = function (parts, opening, closing, indent, inner) {
                if (parts.length === 0) {
                    return opening + closing;
                }
                if (gap === '') {
                    return opening + parts.join(',') + closing;
                }
                return opening + '\n' + inner + parts.join(',\n' + inner) + '\n' + indent + closing;
            };
            var serialize;
            var serializeArray = function (array, indent) {
                var inner = indent + gap;
                var parts = [];
                enter(array);
                for (var i = 0; i < array.length; i += 1) {
                    var part = serialize(array, String(i), inner);
                    parts.push(part === undefined ? 'null' : part);
                }
                open.pop();
                return join(parts, '[', ']', indent, inner);
            };
            var serializeObject = function (object, indent) {
                var inner = indent + gap;
                var parts = [];
                var keys = propertyList;
                enter(object);
                if (!keys) {
                    keys = [];
                    for (var name in object) {
                        if (hasOwn.call(object, name)) {
                            keys.push(name);
                        }
                    }
                }
                for (var i = 0; i < keys.length; i += 1) {
                    var part = serialize(object, keys[i], inner);
                    if (part !== undefined) {
                        parts.push(quote(keys[i]) + (gap === '' ? ':' : ': ') + part);
                    }
                }
                open.pop();
                return join(parts, '{', '}', indent, inner);
            };
            serialize = function (holder, key, indent) {
                var value = holder[key];
                if (value !== null && typeof value === 'object' &&
                    typeof value.toJSON === 'function') {
                    value = value.toJSON(key);
                }
                if (replacerFunction) {
                    value = replacerFunction.call(holder, key, value);
                }
                var kind = classOf(value);
                if (value !== null && typeof value === 'object') {
                    if (kind === '[object Number]') {
                        value = Number(value);
                    } else if (kind === '[object String]') {
                        value = String(value);
                    } else if (kind === '[object Boolean]') {
                        value = value.valueOf();
                    }
                }
                if (value === null) {
                    return 'null';
                }
                switch (typeof value) {
                case 'boolean':
                    return value ? 'true' : 'false';
                case 'string':
                    return quote(value);
                case 'number':
                    return isFinite(value) ? String(value) : 'null';
                case 'object':
                    return isArray(value) ? serializeArray(value, indent)
                        : serializeObject(value, indent);
                }
                return undefined;
            };
            return serialize({'': value}, '', '');
        };
    }

    if (typeof JSON.parse !== 'function') {
        JSON.parse = function (text, reviver) {
            var source = String(text);
            var at = 0;
            var fail = function (what) {
                throw new SyntaxError('JSON.parse: ' + what + ' at offset ' + at);
            };
            var skipSpace = function () {
                var c = source.charAt(at);
                while (c === ' ' || c === '\t' || c === '\n' || c === '\r') {
                    at += 1;
                    c = source.charAt(at);
                }
            };
            var expect = function (c) {
                if (source.charAt(at) !== c) {
                    fail("'" + c + "' expected");
                }
                at += 1;
            };
            var isDigit = function (c) {
                return c >= '0' && c <= '9' && c.length === 1;
            };
            var digits = function () {
                var start = at;
                while (isDigit(source.charAt(at))) {
                    at += 1;
                }
                if (at === start) {
                    fail('digit expected');
                }
            };
            var parseNumber = function () {
                var start = at;
                if (source.charAt(at) === '-') {
                    at += 1;
                }
                if (source.charAt(at) === '0') {
                    at += 1;
                } else {
                    digits();
                }
                if (source.charAt(at) === '.') {
                    at += 1;
                    digits();
                }
                var c = source.charAt(at);
                if (c === 'e' || c === 'E') {
                    at += 1;
                    c = source.charAt(at);
                    if (c === '+' || c === '-') {
                        at += 1;
                    }
                    digits();
                }
                return Number(source.slice(start, at));
            };
            var unescaped = {'"': '"', '\\': '\\', '/': '/', b: '\b', f: '\f', n: '\n', r: '\r', t: '\t'};
            var parseString = function () {
                var pieces = [];
                var start;
                expect('"');
                start = at;
                for (;;) {
                    var c = source.charAt(at);
                    if (c === '') {
                        fail('unterminated string');
                    } else if (c === '"') {
                        pieces.push(source.slice(start, at));
                        at += 1;
                        return pieces.join('');
                    } else if (c < ' ') {
                        fail('control character in string');
                    } else if (c === '\\') {
                        pieces.push(source.slice(start, at));
                        c = source.charAt(at + 1);
                        if (c === 'u') {
                            var hex = source.slice(at + 2, at + 6);
                            if (!/^[0-9a-fA-F]{4}$/.test(hex)) {
                                fail('bad unicode escape');
                            }
                            pieces.push(String.fromCharCode(parseInt(hex, 16)));
                            at += 6;
                        } else if (c !== '' && hasOwn.call(unescaped, c)) {
                            pieces.push(unescaped[c]);
                            at += 2;
                        } else {
                            fail('bad escape');
                        }
                        start = at;
                    } else {
                        at += 1;
                    }
                }
            };
            var word = function (name, value) {
                if (source.slice(at, at + name.length) !== name) {
                    fail('unexpected text');
                }
                at += name.length;
                return value;
            };
            var store = function (object, key, value) {
                if (key === '__proto__' && typeof Object.defineProperty === 'function') {
                    Object.defineProperty(object, key, {
                        value: value, writable: true, enumerable: true, configurable: true
                    });
                } else {
                    object[key] = value;
                }
            };
            var parseValue;
            var parseArray = function () {
                var array = [];
                expect('[');
                skipSpace();
                if (source.charAt(at) === ']') {
                    at += 1;
                    return array;
                }
                for (;;) {
                    array.push(parseValue());
                    skipSpace();
                    if (source.charAt(at) === ']') {
                        at += 1;
                        return array;
                    }
                    expect(',');
                }
            };
            var parseObject = function () {
                var object = {};
                expect('{');
                skipSpace();
                if (source.charAt(at) === '}') {
                    at += 1;
                    return object;
                }
                for (;;) {
                    skipSpace();
                    var key = parseString();
                    skipSpace();
                    expect(':');
                    store(object, key, parseValue());
                    skipSpace();
                    if (source.charAt(at) === '}') {
                        at += 1;
                        return object;
                    }
                    expect(',');
                }
            };
            parseValue = function () {
                skipSpace();
                var c = source.charAt(at);
                switch (c) {
                case '{':
                    return parseObject();
                case '[':
                    return parseArray();
                case '"':
                    return parseString();
                case 't':
                    return word('true', true);
                case 'f':
                    return word('false', false);
                case 'n':
                    return word('null', null);
                }
                if (c === '-' || isDigit(c)) {
                    return parseNumber();
                }
                return fail(c === '' ? 'unexpected end of text' : 'unexpected character');
            };

            var result = parseValue();
            skipSpace();
            if (at < source.length) {
                fail('unexpected text after the value');
            }
            if (typeof reviver !== 'function') {
                return result;
            }
            var walk = function (holder, key) {
                var value = holder[key];
                if (value !== null && typeof value === 'object') {
                    var names = [];
                    if (isArray(value)) {
                        for (var i = 0; i < value.length; i += 1) {
                            names.push(String(i));
                        }
                    } else {
                        for (var name in value) {
                            if (hasOwn.call(value, name)) {
                                names.push(name);
                            }
                        }
                    }
                    for (var j = 0; j < names.length; j += 1) {
                        var revived = walk(value, names[j]);
                        if (revived === undefined) {
                            delete value[names[j]];
                        } else {
                            value[names[j]] = revived;
                        }
                    }
                }
                return reviver.call(holder, key, value);
            };
            return walk({'': result}, '');
        };
    }
}());

// Enumerable on purpose: a for-in loop over any object lists these two as well.
if (typeof Object.prototype.toJSONString !== 'function') {
    Object.prototype.toJSONString = function (filter) {
        return JSON.stringify(this, filter);
    };
}
if (typeof Object.prototype.parseJSON !== 'function') {
    Object.prototype.parseJSON = function (filter) {
        return JSON.parse(this, filter);
    };
}
)JS";

Text withCrlf(std::string_view lf) {
    Text out;
    out.reserve(lf.size() + lf.size() / 16);
    for (char c : lf) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

}  // namespace

const Text& JsonScript() {
    static const Text script = Text(kCountFunction) + "\r\n\r\n" + withCrlf(kJsonBody);
    return script;
}

}  // namespace quillon::script
