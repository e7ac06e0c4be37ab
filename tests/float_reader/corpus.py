#!/usr/bin/env python3
"""Writes number texts, one per line, for the builds of the plug-in's number
conversion to read: the hand-picked edge texts, then COUNT texts generated
from SEED, biased to where C runtimes part ways: floats' neighbours and the
exact midpoints between them (with and without long tails of digits) around
the smallest subnormal, the smallest normal and the largest float;
hexadecimal mantissas of every length at exponents near both ends; NaN
payloads; infinity spellings; huge exponents; blanks, signs and junk.

usage: corpus.py EDGE_TEXTS COUNT SEED OUT
"""
import decimal
import random
import struct
import sys

decimal.getcontext().prec = 400
D = decimal.Decimal
LARGEST = 0x7F7FFFFF
# Around 0, the smallest normal, 1 and the largest float, and the shipped defaults.
NEAR = [1, 2, 3, 7, 8, 15, 16, 0x3FFFFF, 0x400000, 0x7FFFFE, 0x7FFFFF, 0x800000, 0x800001,
        0x3F800000, 0x3D4CCCCD, 0x3F333333, 0x40600000, 0x40200000, 0x7F7FFFFE, LARGEST]


def exact(bits):
    return D(struct.unpack('<f', struct.pack('<I', bits))[0])


def near_float(rng):
    bits = min(max(rng.choice(NEAR) + rng.randint(-2, 2), 0), LARGEST)
    low = exact(bits)
    high = exact(bits + 1) if bits < LARGEST else D(2) ** 128
    r = rng.random()
    if r < 0.35:
        value = (low + high) / 2
    elif r < 0.65:
        value = (low + high) / 2 + (high - low) * rng.choice([1, -1]) / D(10) ** rng.randint(3, 140)
    else:
        value = low + (high - low) * D(rng.random())
    text = format(value, 'e')
    if rng.random() < 0.3:  # digits past any that can matter, with a last one that can
        mantissa, exponent = text.split('e')
        text = mantissa + '0' * rng.randint(150, 260) + rng.choice(['', '1', '0001']) + 'e' + exponent
    return rng.choice(['', '-', '+']) + text


def hexadecimal(rng):
    digits = ''.join(rng.choice('0123456789abcdefABCDEF') for _ in range(rng.randint(1, 40)))
    if rng.random() < 0.3:
        digits = '0' * rng.randint(1, 5) + digits
    point = rng.randint(0, len(digits))
    digits = digits[:point] + ('.' if rng.random() < 0.6 else '') + digits[point:]
    exponent = rng.choice([rng.randint(-300, -100), rng.randint(60, 160), rng.randint(-10, 10),
                           rng.randint(-2 ** 31, 2 ** 31)])
    if rng.random() < 0.8:
        tail = rng.choice('pP') + rng.choice(['', '+', '-']) + str(abs(exponent))
    else:
        tail = rng.choice(['', 'p', 'p+', 'x', '.', '..5'])
    return rng.choice(['0x', '0X', '-0x', '+0x', '0x.', '0x0.']) + digits + tail


def not_a_number(rng):
    payload = ''.join(rng.choice('0123456789abcdefABCDEF \t\x01xz)(') for _ in range(rng.randint(0, 14)))
    return (rng.choice(['nan', 'NaN', '-nan', '+NAN', 'nan(', 'nan(0x', 'nan( ', 'nan( 0X', '-nan('])
            + payload + rng.choice([')', '', ')x', ' )']))


def word(rng):
    return rng.choice(['', '-', '+', ' ', '\v', '\f', '\v-']) + rng.choice(
        ['inf', 'Infinity', 'INFINITE', 'infinit', 'in', 'i', 'n', 'na', 'nanx', 'infinityx', '.inf', 'e5',
         '.e5', '.', '-', '+', '', '0x', '0X.', '0xp5', '0x.p5', '0x0p99999999999', '0x1p99999999999',
         '0x1p-99999999999'])


def decimal_text(rng):
    whole = ''.join(rng.choice('0123456789') for _ in range(rng.randint(0, 50)))
    fraction = '0' * (rng.randint(0, 60) if rng.random() < 0.3 else 0) + \
        ''.join(rng.choice('0123456789') for _ in range(rng.randint(0, 50)))
    exponent = rng.choice([rng.randint(-100, -30), rng.randint(20, 60), rng.randint(-5, 5),
                           rng.randint(-30000, 30000), rng.randint(0, 10 ** 12)])
    text = whole + ('.' + fraction if rng.random() < 0.7 else '') + \
        rng.choice(['e', 'E', 'e+', 'e-', 'e-0', 'e+00']) + str(abs(exponent))
    if rng.random() < 0.2:
        text = rng.choice([' ', '\v', '\f', '\t', '\r']) + text
    if rng.random() < 0.2:
        text += rng.choice(['x', 'ms', ' 5', ',5', '.5', 'e', 'e+', '\x00junk', '\xff'])
    return text


def main():
    edges, count, seed, out = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
    rng = random.Random(seed)
    families = [(0.35, near_float), (0.55, hexadecimal), (0.65, not_a_number), (0.7, word), (1.0, decimal_text)]
    with open(edges, 'rb') as f:
        texts = f.read().rstrip(b'\n').split(b'\n')
    for _ in range(count):
        r = rng.random()
        make = next(make for limit, make in families if r < limit)
        texts.append(make(rng).encode('latin-1'))
    with open(out, 'wb') as f:
        f.write(b'\n'.join(texts) + b'\n')


main()
