// Writes the movies of versions 7 to 10 that `mvpack preview` is compared on (tests/data/render/preview),
// with two writers of FreeHEP (Debian's libfreehep-graphicsio-swf-java):
//   - its SWF tag classes (this program decides what to draw; FreeHEP packs the tags, shapes, styles,
//     matrices, colour transforms, fonts, text fields, buttons, morph shapes and zlib streams). FreeHEP
//     has no PlaceObject3: that one tag (blend mode, filters, cacheAsBitmap) is laid out here with
//     FreeHEP's own output stream primitives;
//   - its Graphics2D exporter (SWFGraphics2D), which turns Java2D drawing into a movie; the same drawing
//     rasterised by Java2D is that movie's reference picture.
// The reference pictures of the tag-writer movies come from Ruffle (ruffle_pictures.js).
//
//   tests/flash/render/preview_reference/make.sh
import java.awt.BasicStroke;
import java.awt.Color;
import java.awt.Dimension;
import java.awt.Font;
import java.awt.GradientPaint;
import java.awt.Graphics2D;
import java.awt.RenderingHints;
import java.awt.Shape;
import java.awt.font.FontRenderContext;
import java.awt.font.GlyphVector;
import java.awt.geom.AffineTransform;
import java.awt.geom.Ellipse2D;
import java.awt.geom.PathIterator;
import java.awt.geom.Rectangle2D;
import java.awt.geom.RoundRectangle2D;
import java.awt.image.BufferedImage;
import java.io.File;
import java.io.FileOutputStream;
import java.io.IOException;
import java.util.ArrayList;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;
import java.util.Properties;
import java.util.Vector;
import java.util.function.Consumer;
import javax.imageio.ImageIO;

import org.freehep.graphicsio.ImageConstants;
import org.freehep.graphicsio.ImageGraphics2D;
import org.freehep.graphicsio.swf.ButtonRecord;
import org.freehep.graphicsio.swf.ColorXform;
import org.freehep.graphicsio.swf.ControlTag;
import org.freehep.graphicsio.swf.DefineBitsJPEG3;
import org.freehep.graphicsio.swf.DefineButton;
import org.freehep.graphicsio.swf.DefineButtonCxform;
import org.freehep.graphicsio.swf.DefineFont2;
import org.freehep.graphicsio.swf.DefineMorphShape;
import org.freehep.graphicsio.swf.DefineShape3;
import org.freehep.graphicsio.swf.End;
import org.freehep.graphicsio.swf.FillStyle;
import org.freehep.graphicsio.swf.FillStyleArray;
import org.freehep.graphicsio.swf.Gradient;
import org.freehep.graphicsio.swf.LineStyle;
import org.freehep.graphicsio.swf.LineStyleArray;
import org.freehep.graphicsio.swf.PlaceObject2;
import org.freehep.graphicsio.swf.SWFGraphics2D;
import org.freehep.graphicsio.swf.SWFInputStream;
import org.freehep.graphicsio.swf.SWFOutputStream;
import org.freehep.graphicsio.swf.SWFShape;
import org.freehep.graphicsio.swf.SWFActionSet;
import org.freehep.graphicsio.swf.SWFTag;
import org.freehep.graphicsio.swf.SWFTagSet;
import org.freehep.graphicsio.swf.SetBackgroundColor;
import org.freehep.graphicsio.swf.ShowFrame;

public class MakePreviewMovies {

    static final int TW = 20;  // twips per pixel

    // ---------------------------------------------------------------------------------------- shapes

    /** A closed outline in twips: its moves, lines and quadratic curves as shape records. */
    static Vector<SWFShape.Record> records(Shape outline, int fill0, int fill1, int line) {
        Vector<SWFShape.Record> r = new Vector<>();
        double[] c = new double[6];
        int x = 0, y = 0, sx = 0, sy = 0;
        boolean first = true;
        for (PathIterator it = outline.getPathIterator(null, 0.5); !it.isDone(); it.next()) {
            switch (it.currentSegment(c)) {
                case PathIterator.SEG_MOVETO:
                    x = sx = (int) Math.round(c[0]);
                    y = sy = (int) Math.round(c[1]);
                    r.add(first ? new SWFShape.ShapeRecord(true, x, y, fill0, fill1, line)
                                : new SWFShape.ShapeRecord(true, x, y, -1, -1, -1));
                    first = false;
                    break;
                case PathIterator.SEG_LINETO: {
                    int nx = (int) Math.round(c[0]), ny = (int) Math.round(c[1]);
                    if (nx != x || ny != y) r.add(new SWFShape.EdgeRecord(nx - x, ny - y));
                    x = nx;
                    y = ny;
                    break;
                }
                case PathIterator.SEG_CLOSE:
                    if (x != sx || y != sy) r.add(new SWFShape.EdgeRecord(sx - x, sy - y));
                    x = sx;
                    y = sy;
                    break;
                default:
                    break;
            }
        }
        return r;
    }

    /** An outline given in pixels, scaled to twips. */
    static Shape twips(Shape pixels) { return AffineTransform.getScaleInstance(TW, TW).createTransformedShape(pixels); }

    static SWFTag shape(int id, Shape pixels, FillStyle fill, Color line, int lineWidth) {
        Shape t = twips(pixels);
        FillStyleArray fills = new FillStyleArray();
        if (fill != null) fills.add(fill);
        LineStyleArray lines = new LineStyleArray();
        if (line != null) lines.add(new LineStyle(lineWidth, line));
        return new DefineShape3(id, t.getBounds2D(), fills, lines,
                new SWFShape(records(t, -1, fill != null ? 1 : -1, line != null ? 1 : -1)));
    }

    static SWFTag rect(int id, double x, double y, double w, double h, Color c) {
        return shape(id, new Rectangle2D.Double(x, y, w, h), new FillStyle(c), null, 0);
    }

    static FillStyle linear(Color a, Color b, double x, double y, double w) {
        AffineTransform m = new AffineTransform(w * TW / 32768.0, 0, 0, w * TW / 32768.0, x + w / 2, y);
        return new FillStyle(new Gradient[] {new Gradient(0, a), new Gradient(255, b)}, false, m);
    }

    static AffineTransform at(double x, double y) { return AffineTransform.getTranslateInstance(x, y); }

    static PlaceObject2 place(int id, int depth, AffineTransform t) { return new PlaceObject2(id, depth, t); }

    // -------------------------------------------------------------------------------------------- text

    /** A DefineFont2 with the glyphs of `chars` (EM square of 1024) from a Java font. */
    static class Glyphs {
        final Map<Character, Integer> index = new LinkedHashMap<>();
        final List<SWFShape> shapes = new ArrayList<>();
        final List<Short> advances = new ArrayList<>();
        final List<Rectangle2D> bounds = new ArrayList<>();
        final int ascent, descent;

        Glyphs(String family, int style, String chars) {
            Font font = new Font(family, style, 1).deriveFont(1024f);
            FontRenderContext frc = new FontRenderContext(null, true, true);
            java.awt.font.LineMetrics metrics = font.getLineMetrics(chars, frc);
            ascent = Math.round(metrics.getAscent());
            descent = Math.round(metrics.getDescent());
            for (char c : chars.toCharArray()) {
                if (index.containsKey(c)) continue;
                index.put(c, shapes.size());
                GlyphVector gv = font.createGlyphVector(frc, String.valueOf(c));
                advances.add((short) Math.round(gv.getGlyphMetrics(0).getAdvanceX()));
                Rectangle2D b = gv.getGlyphOutline(0).getBounds2D();
                // FreeHEP writes rectangles from pixels: twenty of its units make one of the font's.
                bounds.add(new Rectangle2D.Double(b.getX() / TW, b.getY() / TW, b.getWidth() / TW, b.getHeight() / TW));
                Vector<SWFShape.Record> r = records(gv.getGlyphOutline(0), -1, 1, -1);
                if (r.isEmpty()) r.add(new SWFShape.ShapeRecord(false, 0, 0, -1, 1, -1));
                shapes.add(new SWFShape(r));
            }
        }

        SWFTag font(int id, String name) {
            int[] codes = new int[index.size()];
            int i = 0;
            for (char c : index.keySet()) codes[i++] = c;
            short[] adv = new short[advances.size()];
            for (int k = 0; k < adv.length; k++) adv[k] = advances.get(k);
            return new DefineFont2(id, false, true, false, false, false, false, 0, name, shapes.toArray(new SWFShape[0]),
                    codes, ascent, descent, 0, adv, bounds.toArray(new Rectangle2D[0]), new DefineFont2.KerningRecord[0]);
        }
    }

    /**
     * A text field. FreeHEP's DefineEditText writes the font, colour and layout without the flags that say
     * they are there, so no player reads its fields: the tag is laid out here with FreeHEP's primitives.
     */
    static class EditText extends ControlTag {
        final int id, fontId, heightPx, align;
        final Rectangle2D pixels;
        final Color colour;
        final boolean border, html, outlines;
        final String text;

        EditText(int id, Rectangle2D pixels, int fontId, int heightPx, Color colour, int align, boolean border,
                 boolean html, boolean outlines, String text) {
            super(37, 4);
            this.id = id;
            this.pixels = pixels;
            this.fontId = fontId;
            this.heightPx = heightPx;
            this.colour = colour;
            this.align = align;
            this.border = border;
            this.html = html;
            this.outlines = outlines;
            this.text = text;
        }

        @Override
        public SWFTag read(int tagID, SWFInputStream swf, int len) { throw new UnsupportedOperationException(); }

        @Override
        public void write(int tagID, SWFOutputStream swf) throws IOException {
            swf.writeUnsignedShort(id);
            swf.writeRect(pixels);  // FreeHEP takes pixels and writes twips
            // HasText, WordWrap, Multiline, ReadOnly, HasTextColor, HasFont; HasLayout, Border, HTML, UseOutlines
            swf.writeUnsignedByte(0x80 | 0x40 | 0x20 | 0x08 | 0x04 | 0x01);
            swf.writeUnsignedByte(0x20 | (border ? 0x08 : 0) | (html ? 0x02 : 0) | (outlines ? 0x01 : 0));
            swf.writeUnsignedShort(fontId);
            swf.writeUnsignedShort(heightPx * TW);
            swf.writeColor(colour, true);
            swf.writeUnsignedByte(align);
            swf.writeUnsignedShort(2 * TW);
            swf.writeUnsignedShort(2 * TW);
            swf.writeUnsignedShort(0);
            swf.writeUnsignedShort(2 * TW);
            swf.writeString("");
            swf.writeString(text);
        }
    }

    /** DefineButton2 without actions (FreeHEP writes an action offset that points past the records). */
    static class Button2 extends ControlTag {
        final int id, upShape, otherShape;

        Button2(int id, int upShape, int otherShape) {
            super(34, 3);
            this.id = id;
            this.upShape = upShape;
            this.otherShape = otherShape;
        }

        @Override
        public SWFTag read(int tagID, SWFInputStream swf, int len) { throw new UnsupportedOperationException(); }

        void record(SWFOutputStream swf, int states, int shape, int depth) throws IOException {
            swf.writeUnsignedByte(states);
            swf.writeUnsignedShort(shape);
            swf.writeUnsignedShort(depth);
            swf.writeMatrix(new AffineTransform());
            swf.writeUnsignedByte(0);  // an identity colour transform: no terms
        }

        @Override
        public void write(int tagID, SWFOutputStream swf) throws IOException {
            swf.writeUnsignedShort(id);
            swf.writeUnsignedByte(0);   // not a menu
            swf.writeUnsignedShort(0);  // no actions
            record(swf, 0x01, upShape, 1);             // up
            record(swf, 0x02 | 0x04 | 0x08, otherShape, 2);  // over, down, hit
            swf.writeUnsignedByte(0);
        }
    }

    // -------------------------------------------------------------------------- PlaceObject3 (code 70)

    /** PlaceObject3 with a matrix, a filter list, a blend mode and cacheAsBitmap. */
    static class Place3 extends ControlTag {
        final int depth, id, blend, filterCount;
        final AffineTransform matrix;
        final Consumer<SWFOutputStream> filters;
        final boolean cache;

        Place3(int id, int depth, AffineTransform matrix, int blend, boolean cache, Consumer<SWFOutputStream> filters,
               int filterCount) {
            super(70, 8);
            this.id = id;
            this.depth = depth;
            this.matrix = matrix;
            this.blend = blend;
            this.cache = cache;
            this.filters = filters;
            this.filterCount = filterCount;
        }

        @Override
        public SWFTag read(int tagID, SWFInputStream swf, int len) { throw new UnsupportedOperationException(); }

        @Override
        public void write(int tagID, SWFOutputStream swf) throws IOException {
            swf.writeUnsignedByte(0x02 | 0x04);  // HasCharacter, HasMatrix
            swf.writeUnsignedByte((filterCount > 0 ? 0x01 : 0) | (blend > 0 ? 0x02 : 0) | (cache ? 0x04 : 0));
            swf.writeUnsignedShort(depth);
            swf.writeUnsignedShort(id);
            swf.writeMatrix(matrix);
            if (filterCount > 0) {
                swf.writeUnsignedByte(filterCount);
                filters.accept(swf);
            }
            if (blend > 0) swf.writeUnsignedByte(blend);
            if (cache) swf.writeUnsignedByte(1);
        }
    }

    static void rgba(SWFOutputStream s, Color c) throws IOException { s.writeColor(c, true); }

    static Consumer<SWFOutputStream> dropShadow(Color c, double blur, double angle, double distance, double strength) {
        return s -> {
            try {
                s.writeUnsignedByte(0);
                rgba(s, c);
                s.writeFixed(blur);
                s.writeFixed(blur);
                s.writeFixed(angle);
                s.writeFixed(distance);
                s.writeFixed8(strength);
                s.writeUnsignedByte(0x20 | 1);  // composite source, one pass
            } catch (IOException e) { throw new RuntimeException(e); }
        };
    }

    static Consumer<SWFOutputStream> blur(double amount) {
        return s -> {
            try {
                s.writeUnsignedByte(1);
                s.writeFixed(amount);
                s.writeFixed(amount);
                s.writeUnsignedByte(2 << 3);  // two passes
            } catch (IOException e) { throw new RuntimeException(e); }
        };
    }

    static Consumer<SWFOutputStream> glow(Color c, double blur, double strength) {
        return s -> {
            try {
                s.writeUnsignedByte(2);
                rgba(s, c);
                s.writeFixed(blur);
                s.writeFixed(blur);
                s.writeFixed8(strength);
                s.writeUnsignedByte(0x20 | 1);
            } catch (IOException e) { throw new RuntimeException(e); }
        };
    }

    static Consumer<SWFOutputStream> bevel(Color light, Color dark, double blur, double distance) {
        return s -> {
            try {
                s.writeUnsignedByte(3);
                rgba(s, dark);   // shadow colour first, as players read it
                rgba(s, light);
                s.writeFixed(blur);
                s.writeFixed(blur);
                s.writeFixed(Math.PI / 4);
                s.writeFixed(distance);
                s.writeFixed8(1);
                s.writeUnsignedByte(0x20 | 0x10 | 1);  // composite source, on top, one pass
            } catch (IOException e) { throw new RuntimeException(e); }
        };
    }

    // ------------------------------------------------------------------------------------------ JPEG3

    /** DefineBitsJPEG3 from FreeHEP's own JPEG and zlib encoders, the colour and the alpha apart. */
    static class Jpeg3 extends DefineBitsJPEG3 {
        final byte[] jpeg, alpha;
        Jpeg3(int id, BufferedImage argb) throws IOException {
            super(id, rgbOf(argb), Color.black, null);
            jpeg = ImageGraphics2D.toByteArray(rgbOf(argb), ImageConstants.JPG, null, null);
            alpha = ImageGraphics2D.toByteArray(argb, ImageConstants.RAW, ImageConstants.ENCODING_FLATE,
                    ImageGraphics2D.getRAWProperties(Color.black, ImageConstants.COLOR_MODEL_A));
        }
        @Override
        public void write(int tagID, SWFOutputStream swf) throws IOException {
            swf.writeUnsignedShort(character);
            swf.writeUnsignedInt(jpeg.length);
            swf.write(jpeg);
            swf.write(alpha);
        }
        @Override
        public int getLength() { return 6 + jpeg.length + alpha.length; }
    }

    static BufferedImage rgbOf(BufferedImage argb) {
        BufferedImage rgb = new BufferedImage(argb.getWidth(), argb.getHeight(), BufferedImage.TYPE_INT_RGB);
        for (int y = 0; y < argb.getHeight(); y++)
            for (int x = 0; x < argb.getWidth(); x++) rgb.setRGB(x, y, argb.getRGB(x, y) & 0xFFFFFF);
        return rgb;
    }

    // ------------------------------------------------------------------------------------------ movies

    /**
     * Writes a movie of `version`. FreeHEP writes a DefineFont2's name wrongly in movies of version 6 and
     * later, so a movie with fonts is written as version 5 (no tag here differs between them) and its
     * header's version byte raised afterwards.
     */
    static void movie(File dir, String name, int version, int w, int h, boolean compress, Color bg, List<SWFTag> tags)
            throws IOException {
        boolean fonts = tags.stream().anyMatch(t -> t instanceof DefineFont2);
        File file = new File(dir, name + ".swf");
        writeMovie(file, fonts ? 5 : version, w, h, compress, bg, tags);
        if (fonts) {
            try (java.io.RandomAccessFile f = new java.io.RandomAccessFile(file, "rw")) {
                f.seek(3);
                f.write(version);
            }
        }
    }

    static void writeMovie(File file, int version, int w, int h, boolean compress, Color bg, List<SWFTag> tags)
            throws IOException {
        try (FileOutputStream fos = new FileOutputStream(file)) {
            // FreeHEP's tag set for the version, with the tags laid out here added.
            SWFTagSet tagSet = new SWFTagSet(version);
            tagSet.addTag(new Place3(0, 0, new AffineTransform(), 0, false, null, 0));
            tagSet.addTag(new EditText(0, new Rectangle2D.Double(), 0, 0, Color.black, 0, false, false, false, ""));
            tagSet.addTag(new Button2(0, 0, 0));
            SWFOutputStream out = new SWFOutputStream(fos, tagSet, new SWFActionSet(version), new Dimension(w, h), 12f, compress);
            out.writeTag(new SetBackgroundColor(bg));
            for (SWFTag t : tags) out.writeTag(t);
            out.writeTag(new ShowFrame());
            out.writeTag(new End());
            out.close();
        }
    }

    /** Text fields (embedded font, device fonts, HTML, box, alignments, word wrap) and buttons. */
    static List<SWFTag> textAndButtons() throws Exception {
        List<SWFTag> t = new ArrayList<>();
        String text = "Desktop wallpaper preview: the first frame, drawn as the installer draws it.";
        Glyphs g = new Glyphs("SansSerif", Font.PLAIN, text + "Centred right 0123456789");
        t.add(g.font(1, "Embedded"));
        t.add(new DefineFont2(5, false, false, "_sans", new SWFShape[0], new int[0]));  // a device font
        t.add(new EditText(2, new Rectangle2D.Double(10, 10, 260, 80), 1, 16, new Color(20, 30, 90), 0, true, false, true, text));
        t.add(new EditText(3, new Rectangle2D.Double(280, 10, 260, 40), 1, 20, new Color(160, 20, 20), 2, false, false, true, "Centred"));
        t.add(new EditText(4, new Rectangle2D.Double(280, 50, 260, 40), 1, 20, new Color(20, 120, 40), 1, false, false, true,
                "right 0123456789"));
        t.add(new EditText(6, new Rectangle2D.Double(10, 250, 530, 60), 5, 18, new Color(0, 0, 0), 0, true, true, false,
                "<p align=\"center\"><font face=\"_sans\" size=\"18\" color=\"#aa2200\"><b>Bold</b> and <i>italic</i> "
                        + "<u>device</u> text</font></p>"));
        t.add(new EditText(7, new Rectangle2D.Double(10, 320, 530, 60), 5, 16, new Color(30, 60, 30), 1, false, false, false,
                "A device font, right aligned"));
        t.add(place(2, 1, at(0, 0)));
        t.add(place(3, 2, at(0, 0)));
        t.add(place(4, 3, at(0, 0)));
        t.add(place(6, 4, at(0, 0)));
        t.add(place(7, 5, at(0, 0)));
        // Buttons: the up state shows, the over, down and hit states do not.
        t.add(shape(10, new RoundRectangle2D.Double(0, 0, 160, 60, 24, 24), new FillStyle(new Color(40, 110, 210)),
                new Color(10, 40, 90), 3 * TW));
        t.add(shape(11, new Ellipse2D.Double(0, 0, 160, 60), new FillStyle(new Color(230, 60, 60)), null, 0));
        t.add(new Button2(12, 10, 11));
        t.add(place(12, 10, at(40, 130)));
        Vector<ButtonRecord> plain = new Vector<>();
        plain.add(new ButtonRecord(false, false, false, true, 10, 1, new AffineTransform()));
        t.add(new DefineButton(13, plain, new Vector<>()));
        t.add(new DefineButtonCxform(13, new ColorXform(128, 256, 128, 256, 100, 0, 0, 0)));
        t.add(place(13, 11, at(300, 130)));
        return t;
    }

    /** Text fields filling most of the stage: large glyphs of an embedded font, plain and HTML. */
    static List<SWFTag> textFields() throws Exception {
        List<SWFTag> t = new ArrayList<>();
        String plain = "Wallpaper text set in a field that wraps its words across the lines of its box.";
        String html = "<p align=\"center\"><font face=\"Embedded\" size=\"30\" color=\"#1040a0\">Centred "
                + "HTML</font></p><p align=\"right\"><font face=\"Embedded\" size=\"26\" color=\"#a02010\">"
                + "right, in red</font></p>";
        Glyphs g = new Glyphs("SansSerif", Font.PLAIN, plain + "Centred HTML right, in red");
        t.add(g.font(1, "Embedded"));
        t.add(new EditText(2, new Rectangle2D.Double(10, 10, 380, 170), 1, 34, new Color(0, 0, 0), 0, true, false, true, plain));
        t.add(new EditText(3, new Rectangle2D.Double(10, 190, 380, 100), 1, 30, new Color(0, 0, 0), 0, false, true, true, html));
        t.add(place(2, 1, at(0, 0)));
        t.add(place(3, 2, at(0, 0)));
        return t;
    }

    /** Morph shapes at ratios 0, one half and 1, and one as a clipping layer. */
    static List<SWFTag> morphs() throws Exception {
        List<SWFTag> t = new ArrayList<>();
        Shape start = twips(new Rectangle2D.Double(0, 0, 120, 120)), end = twips(new Rectangle2D.Double(30, 30, 60, 60));
        FillStyleArray fills = new FillStyleArray();
        fills.add(new FillStyle(new Color(220, 40, 40), new Color(40, 40, 220)));
        SWFShape s = new SWFShape(records(start, -1, 1, -1)), e = new SWFShape(records(end, -1, -1, -1));
        t.add(new DefineMorphShape(1, start.getBounds2D(), end.getBounds2D(), fills, new LineStyleArray(), s, e));
        t.add(new PlaceObject2(false, 1, 1, at(20, 20), null, 0, null, 0));
        t.add(new PlaceObject2(false, 2, 1, at(160, 20), null, 32768, null, 0));
        t.add(new PlaceObject2(false, 3, 1, at(300, 20), null, 65535, null, 0));
        // A striped square seen through a morph half way: the clip is the morph's shape at that ratio.
        t.add(rect(5, 0, 0, 140, 20, new Color(250, 200, 40)));
        t.add(rect(6, 0, 0, 140, 20, new Color(40, 160, 90)));
        t.add(new PlaceObject2(false, 10, 1, at(160, 170), null, 32768, null, 20));
        for (int i = 0; i < 7; i++) t.add(place(i % 2 == 0 ? 5 : 6, 11 + i, at(150, 160 + 20 * i)));
        return t;
    }

    /** DefineBitsJPEG3 with an alpha plane over stripes, and filters and blend modes from PlaceObject3. */
    static List<SWFTag> bitmapsBlendsFilters() throws Exception {
        List<SWFTag> t = new ArrayList<>();
        t.add(rect(1, 0, 0, 550, 30, new Color(30, 30, 30)));
        for (int i = 0; i < 14; i++) t.add(place(1, 1 + i, at(0, 60 * i)));
        BufferedImage img = new BufferedImage(120, 90, BufferedImage.TYPE_INT_ARGB);
        Graphics2D g = img.createGraphics();
        g.setPaint(new GradientPaint(0, 0, new Color(255, 80, 0), 120, 90, new Color(0, 140, 255)));
        g.fillRect(0, 0, 120, 90);
        g.dispose();
        for (int y = 0; y < 90; y++)
            for (int x = 0; x < 120; x++) {
                int a = Math.min(255, Math.max(0, 255 - (int) (Math.hypot(x - 60, y - 45) * 4.5)));
                img.setRGB(x, y, (a << 24) | (img.getRGB(x, y) & 0xFFFFFF));
            }
        t.add(new Jpeg3(2, img));
        FillStyle bitmap = new FillStyle(2, false, new AffineTransform(TW, 0, 0, TW, 0, 0));
        t.add(shape(3, new Rectangle2D.Double(0, 0, 120, 90), bitmap, null, 0));
        t.add(place(3, 20, at(10, 10)));
        // Blend modes: multiply, screen, difference and hard light over the stripes.
        t.add(rect(4, 0, 0, 90, 90, new Color(200, 120, 40)));
        int[] blends = {3, 4, 6, 14};
        for (int i = 0; i < blends.length; i++) t.add(new Place3(4, 30 + i, at(150 + 100 * i, 10), blends[i], false, null, 0));
        // Filters: drop shadow, blur, glow, bevel.
        t.add(shape(5, new Ellipse2D.Double(0, 0, 90, 90), new FillStyle(new Color(60, 170, 90)), null, 0));
        t.add(new Place3(5, 40, at(20, 200), 0, false, dropShadow(new Color(0, 0, 0, 160), 6, Math.PI / 4, 8, 1), 1));
        t.add(new Place3(5, 41, at(150, 200), 0, false, blur(8), 1));
        t.add(new Place3(5, 42, at(280, 200), 0, true, glow(new Color(255, 230, 0, 255), 10, 2), 1));
        t.add(new Place3(5, 43, at(410, 200), 0, false, bevel(new Color(255, 255, 255), new Color(0, 0, 0), 4, 4), 1));
        return t;
    }

    // ------------------------------------------------------------------------------- Graphics2D writer

    /** A drawing handed to both FreeHEP's Graphics2D exporter and Java2D. */
    static void paint(Graphics2D g) {
        g.setRenderingHint(RenderingHints.KEY_ANTIALIASING, RenderingHints.VALUE_ANTIALIAS_ON);
        g.setColor(new Color(245, 240, 225));
        g.fillRect(0, 0, 400, 300);
        g.setPaint(new GradientPaint(0, 0, new Color(30, 60, 150), 400, 0, new Color(140, 200, 255)));
        g.fillRect(0, 0, 400, 90);
        g.setColor(new Color(230, 90, 30));
        g.fill(new Ellipse2D.Double(30, 120, 140, 140));
        g.setColor(new Color(40, 140, 80, 160));
        g.fill(new RoundRectangle2D.Double(110, 150, 220, 110, 30, 30));
        g.setStroke(new BasicStroke(6, BasicStroke.CAP_ROUND, BasicStroke.JOIN_ROUND));
        g.setColor(new Color(20, 20, 20));
        g.drawLine(200, 110, 380, 280);
        g.setStroke(new BasicStroke(3));
        g.setColor(new Color(120, 30, 120));
        g.draw(new Rectangle2D.Double(250, 110, 120, 70));
    }

    static void graphics2d(File dir, String name) throws IOException {
        Dimension size = new Dimension(400, 300);
        Properties p = new Properties();
        p.setProperty(SWFGraphics2D.BACKGROUND, "false");
        try (FileOutputStream fos = new FileOutputStream(new File(dir, name + ".swf"))) {
            SWFGraphics2D g = new SWFGraphics2D(fos, size);
            g.setProperties(p);
            g.startExport();
            paint(g);
            g.endExport();
        }
        BufferedImage img = new BufferedImage(size.width, size.height, BufferedImage.TYPE_INT_RGB);
        Graphics2D g = img.createGraphics();
        paint(g);
        g.dispose();
        ImageIO.write(img, "png", new File(dir, name + ".png"));
    }

    public static void main(String[] args) throws Exception {
        File dir = new File(args[0]);
        dir.mkdirs();
        movie(dir, "freehep_text_buttons_v7", 7, 550, 400, false, new Color(255, 255, 255), textAndButtons());
        movie(dir, "freehep_text_fields_v8", 8, 400, 300, false, new Color(255, 255, 255), textFields());
        movie(dir, "freehep_morphs_v8c", 8, 450, 320, true, new Color(235, 235, 245), morphs());
        movie(dir, "freehep_jpeg3_blend_filters_v9c", 9, 550, 320, true, new Color(250, 250, 250), bitmapsBlendsFilters());
        movie(dir, "freehep_jpeg3_blend_filters_v10", 10, 550, 320, false, new Color(250, 250, 250), bitmapsBlendsFilters());
        graphics2d(dir, "freehep_graphics2d_v8");
    }
}
