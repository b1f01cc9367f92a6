"""The contact sheet draws each picture in its own colour."""

import contextlib
import io
import os
import tempfile
import unittest

import content_tree

try:
    from PIL import Image
    import contact_sheet
except ImportError:      # python3-pil missing: nothing to draw with
    contact_sheet = None


@unittest.skipIf(contact_sheet is None, "python3-pil is not installed")
class ContactSheetTest(unittest.TestCase):
    def colours_in_cell(self, image, index):
        left = contact_sheet.MARGIN + (index % contact_sheet.COLUMNS) * contact_sheet.CELL_W
        top = contact_sheet.MARGIN + contact_sheet.HEADER_H \
            + (index // contact_sheet.COLUMNS) * contact_sheet.CELL_H
        cell = image.crop((left, top, left + contact_sheet.CELL_W,
                           top + contact_sheet.GLYPH_BOX))
        return {colour for _, colour in cell.getcolors(1 << 16)}

    def render(self, symbol_font):
        with tempfile.TemporaryDirectory() as tmp:
            content_tree.build(tmp)
            out = os.path.join(tmp, "sheet.png")
            with contextlib.redirect_stderr(io.StringIO()) as err:
                contact_sheet.render(tmp, 2, out, symbol_font=symbol_font)
            return Image.open(out).convert("RGB"), err.getvalue()

    @unittest.skipUnless(os.path.isfile(contact_sheet.SYMBOL_FONT if contact_sheet else ""),
                         "the symbol font is not built")
    def test_symbol_font_glyphs_in_picture_colour(self):
        image, err = self.render(contact_sheet.SYMBOL_FONT)
        self.assertNotIn("not found", err)
        # picture 1 is drawn in #0180FE, picture 119 in #778088
        self.assertIn((0x01, 0x80, 0xFE), self.colours_in_cell(image, 0))
        self.assertIn((0x77, 0x80, 0x88), self.colours_in_cell(image, 118))
        self.assertNotIn((0x77, 0x80, 0x88), self.colours_in_cell(image, 0))

    def test_missing_symbol_font_falls_back_and_says_so(self):
        image, err = self.render("/nonexistent/TamiroSymbols.ttf")
        self.assertIn("not found", err)
        self.assertIn((0x01, 0x80, 0xFE), self.colours_in_cell(image, 0))


if __name__ == "__main__":
    unittest.main()
