#!/usr/bin/env python3
"""Reference implementation of the Vaultkeep settings cipher (Python 3, stdlib only).

Used by the tests to check the C++ program's built-in ciphertext independently.
All tables are computed here from the hexadecimal digits of pi.

Usage:
  cipher_reference.py digest <hex-bytes>   key digest, 32 lower-case hex digits
  cipher_reference.py encrypt <text>       Base64 ciphertext under the built-in passphrase
  cipher_reference.py decrypt <base64>     plain text (empty line on failure)
  cipher_reference.py selftest             runs the built-in checks, prints "ok"
"""

import sys

MASK = 0xFFFFFFFF
PASSPHRASE = "lomix***t@482pqqtvbRobUrezwukJJtw"
SALTS = (0x55555555, 0xAAAAAAAA, 0x33333333, 0xCCCCCCCC)
PADDING = bytes([1, 0, 0, 0, 0, 0, 0, 0])
ALPHABET = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"


class CipherError(Exception):
    pass


# ---------------------------------------------------------------- pi tables

def _arctan_inv(x, one):
    """arctan(1/x) scaled by `one`, integer arithmetic."""
    total = term = one // x
    x2 = x * x
    n = 1
    sign = -1
    while term:
        term //= x2
        total += sign * (term // (2 * n + 1))
        sign = -sign
        n += 1
    return total


def pi_fraction_bytes(count):
    """The first `count` bytes of the hexadecimal fraction of pi (24 3F 6A 88 ...)."""
    guard = 64  # extra bits against truncation error
    bits = count * 8 + guard
    one = 1 << bits
    pi = 16 * _arctan_inv(5, one) - 4 * _arctan_inv(239, one)  # Machin
    frac = (pi - 3 * one) >> guard
    return frac.to_bytes(count, "big")


_PI_BYTES = pi_fraction_bytes((18 + 4 * 256) * 4 + 16)


def _pi_words(start, n):
    b = _PI_BYTES[start * 4:(start + n) * 4]
    return [int.from_bytes(b[i:i + 4], "big") for i in range(0, len(b), 4)]


INITIAL_P = _pi_words(0, 18)
INITIAL_S = [_pi_words(18 + 256 * k, 256) for k in range(4)]
INITIAL_DIGEST = _PI_BYTES[:256]


# ---------------------------------------------------------------- four-word mix

def mix(aa, bb, cc, dd):
    aa = (aa + dd) & MASK; dd = (dd + aa) & MASK; aa ^= aa >> 7
    bb = (bb + aa) & MASK; aa = (aa + bb) & MASK; bb ^= (bb << 13) & MASK
    cc = (cc + bb) & MASK; bb = (bb + cc) & MASK; cc ^= cc >> 17
    dd = (dd + cc) & MASK; cc = (cc + dd) & MASK; dd ^= (dd << 9) & MASK
    aa = (aa + dd) & MASK; dd = (dd + aa) & MASK; aa ^= aa >> 3
    bb = (bb + aa) & MASK; aa = (aa + bb) & MASK; bb ^= (bb << 7) & MASK
    cc = (cc + bb) & MASK; bb = (bb + cc) & MASK; cc ^= dd >> 15  # DD on purpose
    dd = (dd + cc) & MASK; cc = (cc + dd) & MASK; dd ^= (dd << 11) & MASK
    return aa, bb, cc, dd


def _le_words(data):
    return [int.from_bytes(data[i:i + 4], "little") for i in range(0, len(data), 4)]


def _le_bytes(words):
    return b"".join(w.to_bytes(4, "little") for w in words)


# ---------------------------------------------------------------- finishing cipher

def finishing_setup(key16, rounds=8):
    rounds = max(4, min(16, rounds))
    k0, k1, k2, k3 = _le_words(key16)
    sub = []
    for s in SALTS:
        a, b, c, d, e, f, g, h = k0, s, k1, s, k2, s, k3, s
        for _ in range(8):
            a ^= (b << 11) & MASK; d = (d + a) & MASK; b = (b + c) & MASK
            b ^= c >> 2;           e = (e + b) & MASK; c = (c + d) & MASK
            c ^= (d << 8) & MASK;  f = (f + c) & MASK; d = (d + e) & MASK
            d ^= e >> 16;          g = (g + d) & MASK; e = (e + f) & MASK
            e ^= (f << 10) & MASK; h = (h + e) & MASK; f = (f + g) & MASK
            f ^= g >> 4;           a = (a + f) & MASK; g = (g + h) & MASK
            g ^= (h << 8) & MASK;  b = (b + g) & MASK; h = (h + a) & MASK
            h ^= a >> 9;           c = (c + h) & MASK; a = (a + b) & MASK
        sub.extend((a, b, c, d, e, f, g, h))
    subkeys = [(sub[2 * r], sub[2 * r + 1]) for r in range(16)]
    return rounds, subkeys


def finishing_encrypt(ctx, block16):
    rounds, subkeys = ctx
    x0, x1, y0, y1 = _le_words(block16)
    for r in range(rounds):
        aa, bb, cc, dd = mix(x0, subkeys[r][0], x1, subkeys[r][1])
        aa, bb, cc, dd = mix(cc, dd, aa, bb)
        t0 = aa ^ bb ^ y0
        t1 = cc ^ dd ^ y1
        y0, y1, x0, x1 = x0, x1, t0, t1
    return _le_bytes((y0, y1, x0, x1))


# ---------------------------------------------------------------- key digest

def key_digest(data):
    d = bytearray(INITIAL_DIGEST)
    k = bytearray(_le_bytes([0x55555555] * 4))
    state = {"di": 0, "ki": 0}

    def absorb(x):
        d[state["di"]] ^= x
        state["di"] = (state["di"] + 1) % 256
        k[state["ki"]] ^= x
        state["ki"] += 1
        if state["ki"] == 8:
            w0, w1, w2, w3 = _le_words(k)
            aa, bb, cc, dd = w3, w2, w1, w0
            for _ in range(4):
                aa, bb, cc, dd = mix(aa, bb, cc, dd)
            k[:] = _le_bytes((aa, bb, cc, dd))
            state["ki"] = 0

    for x in data:
        absorb(x)
    for x in PADDING[:8 - state["ki"]]:
        absorb(x)

    ctx = finishing_setup(bytes(k), 8)
    for i in range(16):
        d[16 * i:16 * i + 16] = finishing_encrypt(ctx, bytes(d[16 * i:16 * i + 16]))
    return bytes(d[:16])


# ---------------------------------------------------------------- block transform

class BlockTransform:
    def __init__(self, key):
        self.p = list(INITIAL_P)
        self.s = [list(box) for box in INITIAL_S]
        for i in range(18):
            j = (4 * i) % len(key)
            word = 0
            for n in range(4):
                word = (word << 8) | key[(j + n) % len(key)]
            self.p[i] ^= word
        left = right = 0
        for i in range(0, 18, 2):
            left, right = self.encrypt_words(left, right)
            self.p[i], self.p[i + 1] = left, right
        for box in self.s:
            for i in range(0, 256, 2):
                left, right = self.encrypt_words(left, right)
                box[i], box[i + 1] = left, right

    def f(self, x):
        s0, s1, s2, s3 = self.s
        return ((((s0[x >> 24] + s1[(x >> 16) & 255]) & MASK) ^ s2[(x >> 8) & 255])
                + s3[x & 255]) & MASK

    def encrypt_words(self, left, right):
        p = self.p
        fl, fr = self.f(left), self.f(right)
        left ^= p[0]
        for i in range(1, 16, 2):
            right ^= p[i] ^ fl
            left ^= p[i + 1] ^ fr
        right ^= p[17]
        return left, right

    def decrypt_words(self, left, right):
        p = self.p
        fl, fr = self.f(left), self.f(right)
        right ^= p[17]
        for i in range(16, 0, -2):
            left ^= p[i] ^ fr
            right ^= p[i - 1] ^ fl
        left ^= p[0]
        return left, right

    def encrypt_block(self, block8):
        return _le_bytes(self.encrypt_words(*_le_words(block8)))

    def decrypt_block(self, block8):
        return _le_bytes(self.decrypt_words(*_le_words(block8)))


# ---------------------------------------------------------------- block layout

def layout_encrypt(bt, data):
    n = len(data)
    out = bytearray()
    for i in range(n // 8):
        out += bt.encrypt_block(data[8 * i:8 * i + 8])
    last = bytearray(data[8 * (n // 8):]) + bytes(8 - n % 8)
    last[7] = n % 8
    out += bt.encrypt_block(bytes(last))
    return bytes(out)


def layout_decrypt(bt, data):
    if len(data) < 8:
        raise CipherError("fewer than 8 bytes")
    k = len(data) // 8
    out = bytearray()
    for i in range(k - 1):
        out += bt.decrypt_block(data[8 * i:8 * i + 8])
    last = bt.decrypt_block(data[8 * (k - 1):8 * k])
    count = last[7]
    if count > 7:
        raise CipherError("count byte above 7")
    out += last[:count]
    return bytes(out)


# ---------------------------------------------------------------- Base64

def b64_encode(data):
    out = []
    for i in range(0, len(data), 3):
        chunk = data[i:i + 3]
        v = int.from_bytes(chunk + bytes(3 - len(chunk)), "big")
        chars = [ALPHABET[(v >> s) & 63] for s in (18, 12, 6, 0)]
        keep = len(chunk) + 1
        out.append("".join(chars[:keep]) + "=" * (4 - keep))
    return "".join(out)


def b64_decode(data):
    out = bytearray()
    for i in range(0, len(data), 4):
        group = data[i:i + 4]
        if len(group) < 4:
            raise CipherError("last group cut short")
        values = []
        for c in group:
            if c < 43 or c > 122:
                raise CipherError("character outside '+'..'z'")
            ch = chr(c)
            values.append(ALPHABET.index(ch) if ch in ALPHABET else 127)
        g1, g2, g3, g4 = values
        out.append(((g1 << 2) | (g2 >> 4)) & 0xFF)
        if group[2] == ord("="):
            continue
        out.append(((g2 << 4) | (g3 >> 2)) & 0xFF)
        if group[3] == ord("="):
            continue
        out.append(((g3 << 6) | g4) & 0xFF)
    return bytes(out)


# ---------------------------------------------------------------- ANSI text (Windows-1252)

_UNDEFINED_1252 = (0x81, 0x8D, 0x8F, 0x90, 0x9D)


def text_to_bytes(text):
    out = bytearray()
    for ch in text:
        if ord(ch) in _UNDEFINED_1252:
            out.append(ord(ch))
        else:
            out += ch.encode("cp1252")  # unrepresentable -> error -> empty result
    return bytes(out)


def bytes_to_text(data):
    return "".join(chr(b) if b in _UNDEFINED_1252 else bytes([b]).decode("cp1252")
                   for b in data)


# ---------------------------------------------------------------- public operations

def _transform():
    return BlockTransform(key_digest(PASSPHRASE.encode("ascii")))


def encriptarstr(s):
    try:
        bt = _transform()
        return b64_encode(layout_encrypt(bt, text_to_bytes(s)))
    except Exception:
        return ""


def desencriptarstr(s):
    try:
        bt = _transform()
        return bytes_to_text(layout_decrypt(bt, b64_decode(text_to_bytes(s))))
    except Exception:
        return ""


# ---------------------------------------------------------------- self test

def selftest():
    failures = []

    def check(name, got, want):
        if got != want:
            failures.append(f"{name}: got {got!r}, want {want!r}")

    check("pi start", INITIAL_DIGEST[:16].hex(), "243f6a8885a308d313198a2e03707344")
    check("P[17]", f"{INITIAL_P[17]:08x}", "8979fb1b")
    check("S0[0]", f"{INITIAL_S[0][0]:08x}", "d1310ba6")
    check("S3[255]", f"{INITIAL_S[3][255]:08x}", "3ac372e6")
    check("digest abc", key_digest(b"abc").hex(), "2aa17baa76a4c4cd4b73a5f934b4cc1a")
    check("digest empty", key_digest(b"").hex(), "0bd132aa831c56ac1f92e61084a342d2")

    texts = ["", "a", "12345678", "Vk#2026!Caixa", "exactly sixteen!",
             "Ação, café, São João — ñ ü ß €", "\x81\x8d\x8f\x90\x9d", "x" * 40]
    for t in texts:
        enc = encriptarstr(t)
        n = len(text_to_bytes(t))
        check(f"length of {t!r}", len(enc), 4 * ((8 * (n // 8 + 1) + 2) // 3))
        check(f"round trip {t!r}", desencriptarstr(enc), t)
    check("empty encrypt length", len(encriptarstr("")), 12)
    check("8 chars length", len(encriptarstr("abcdefgh")), 24)

    enc = encriptarstr("abcdefgh")
    bt = _transform()
    raw = b64_decode(enc.encode("ascii"))
    check("trailing bytes ignored", layout_decrypt(bt, raw + b"\x01\x02\x03"), b"abcdefgh")
    check("decrypt is encrypt", bt.decrypt_block(raw[:8]), bt.encrypt_block(raw[:8]))
    check("decrypt empty", desencriptarstr(""), "")
    check("cut short group", desencriptarstr(enc[:-1]), "")
    try:
        b64_decode(b"ab-_cd_-")
    except CipherError:
        failures.append("'-' and '_' must not fail")
    try:
        b64_decode(b"ab\ncd")
        failures.append("line break must fail")
    except CipherError:
        pass
    check("line break decrypt", desencriptarstr(enc[:8] + "\n" + enc[8:]), "")

    if failures:
        print("\n".join(failures))
        return 1
    print("ok")
    return 0


def main(argv):
    if hasattr(sys.stdout, "reconfigure"):
        sys.stdout.reconfigure(encoding="utf-8")
    if len(argv) >= 2 and argv[1] == "selftest":
        return selftest()
    if len(argv) < 2 or argv[1] not in ("digest", "encrypt", "decrypt"):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    arg = argv[2] if len(argv) > 2 else ""
    if argv[1] == "digest":
        try:
            print(key_digest(bytes.fromhex(arg)).hex())
        except ValueError:
            print("")
    elif argv[1] == "encrypt":
        print(encriptarstr(arg))
    else:
        print(desencriptarstr(arg))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
