#!/usr/bin/env python3
# Draws the program's icon (packaging/piano.svg) from the key artwork: four
# white keys and two black ones of resources/images, stood upright on a dark
# tile. The PNG sizes are rendered from it by the build (piano_render_svg).
#   packaging/make_icon.py > packaging/piano.svg
import os, re

images = os.path.join(os.path.dirname(__file__), '..', 'resources', 'images')

def parts(name):
    text = open(os.path.join(images, name + '.svg'), encoding='utf-8').read()
    defs = re.search(r'<defs>.*?</defs>', text, re.S).group(0)
    body = re.search(r'</defs>(.*)</svg>', text, re.S).group(1)
    return defs, re.sub(r'<!--.*?-->', '', body, flags=re.S)

white_defs, white = parts('WhiteKeyUp')
black_defs, black = parts('BlackKeyUp')
# The artwork lies across the portrait screen: x along a key from the
# player's edge, y along the keyboard; rotate(-90) stands it up.
keys = [f'<g transform="translate({8 + 60 * i} 244) rotate(-90)">{white}</g>' for i in range(4)]
keys += [f'<g transform="translate({8 + 60 * i + 42} 244) rotate(-90) translate(108 0)">{black}</g>' for i in (0, 1)]
print('<?xml version="1.0" encoding="UTF-8"?>\n'
      '<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">\n'
      f'{white_defs}\n{black_defs}\n'
      '<rect x="0" y="0" width="256" height="256" rx="36" fill="#23201c"/>\n' + '\n'.join(keys) + '\n</svg>')
