// Writes the independent test movies of the movie renderer and a reference picture of each.
//
// The movies are written by FreeHEP's SWF tag classes (Debian's libfreehep-graphicsio-swf-java): this
// program only decides what to draw and hands FreeHEP the tags; FreeHEP packs the bits, the shapes,
// the styles, the matrices, the images and the zlib streams. Beside every movie, Java2D draws the same
// drawing from the same numbers (anti-aliased, even-odd fills, round caps and joins), and that picture
// is saved as the movie's reference PNG at the stage's size.
//
//   tests/flash/render/reference/make.sh     (compiles this with the JDK and writes tests/data/render)
//
// FreeHEP cannot write everything as a player of version 6 reads it, so a few things are done around it:
// its DefineShape2 writes colours with alpha (only DefineShape3 has that), so it is told not to;
// its DefineBitsJPEG3 hands an image with alpha to a JPEG writer that refuses it, so the JPEG and the
// alpha plane are made here with FreeHEP's own encoders (JPEG, and its zlib "raw" writer for the alpha
// channel) from two images; several style arrays in one shape need a field FreeHEP has no setter for,
// which is set by reflection; its DefineFont2 writes the font name of a version 6 movie with an extra
// length field in front, so version 6 movies here use DefineFont (version 5 ones use both);
// DefineBits with JPEGTables has no writer in FreeHEP at all (the native tests build those by hand).
import java.awt.AlphaComposite;
import java.awt.BasicStroke;
import java.awt.Color;
import java.awt.Dimension;
import java.awt.Font;
import java.awt.Graphics2D;
import java.awt.LinearGradientPaint;
import java.awt.MultipleGradientPaint;
import java.awt.RadialGradientPaint;
import java.awt.RenderingHints;
import java.awt.Shape;
import java.awt.font.FontRenderContext;
import java.awt.font.GlyphVector;
import java.awt.geom.AffineTransform;
import java.awt.geom.Path2D;
import java.awt.geom.PathIterator;
import java.awt.geom.Point2D;
import java.awt.geom.Rectangle2D;
import java.awt.image.BufferedImage;
import java.io.ByteArrayInputStream;
import java.io.File;
import java.io.FileOutputStream;
import java.io.IOException;
import java.lang.reflect.Field;
import java.util.ArrayList;
import java.util.Collections;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;
import java.util.Vector;
import java.util.function.Consumer;
import javax.imageio.ImageIO;

import org.freehep.graphicsio.ImageConstants;
import org.freehep.graphicsio.ImageGraphics2D;
import org.freehep.graphicsio.swf.ColorXform;
import org.freehep.graphicsio.swf.DefineBitsJPEG2;
import org.freehep.graphicsio.swf.DefineBitsJPEG3;
import org.freehep.graphicsio.swf.DefineBitsLossless;
import org.freehep.graphicsio.swf.DefineBitsLossless2;
import org.freehep.graphicsio.swf.DefineFont;
import org.freehep.graphicsio.swf.DefineFont2;
import org.freehep.graphicsio.swf.DefineShape;
import org.freehep.graphicsio.swf.DefineShape2;
import org.freehep.graphicsio.swf.DefineShape3;
import org.freehep.graphicsio.swf.DefineSprite;
import org.freehep.graphicsio.swf.DefineText;
import org.freehep.graphicsio.swf.DefineText2;
import org.freehep.graphicsio.swf.End;
import org.freehep.graphicsio.swf.FillStyle;
import org.freehep.graphicsio.swf.FillStyleArray;
import org.freehep.graphicsio.swf.Gradient;
import org.freehep.graphicsio.swf.LineStyle;
import org.freehep.graphicsio.swf.LineStyleArray;
import org.freehep.graphicsio.swf.PlaceObject;
import org.freehep.graphicsio.swf.PlaceObject2;
import org.freehep.graphicsio.swf.RemoveObject;
import org.freehep.graphicsio.swf.RemoveObject2;
import org.freehep.graphicsio.swf.SWFOutputStream;
import org.freehep.graphicsio.swf.SWFShape;
import org.freehep.graphicsio.swf.SWFTag;
import org.freehep.graphicsio.swf.SetBackgroundColor;
import org.freehep.graphicsio.swf.ShowFrame;

public class MakeReferenceMovies {

    static final int W = 350, H = 150;  // the stage, in pixels: about the installer's movie panel
    static final int TW = 20;           // twips per pixel

    // ------------------------------------------------------------------------------- colour transforms

    /** c' = c * mul / 256 + add per channel (red, green, blue, alpha), as PlaceObject2 carries it. */
    static class Cx {
        final int[] mul, add;
        Cx(int[] mul, int[] add) { this.mul = mul; this.add = add; }
        static final Cx NONE = new Cx(new int[] {256, 256, 256, 256}, new int[] {0, 0, 0, 0});
        Cx then(Cx outer) {  // outer after this
            int[] m = new int[4], a = new int[4];
            for (int i = 0; i < 4; i++) {
                m[i] = mul[i] * outer.mul[i] / 256;
                a[i] = add[i] * outer.mul[i] / 256 + outer.add[i];
            }
            return new Cx(m, a);
        }
        static int clamp(double v) { return (int) Math.max(0, Math.min(255, Math.round(v))); }
        Color apply(Color c) {
            return new Color(clamp(c.getRed() * mul[0] / 256.0 + add[0]), clamp(c.getGreen() * mul[1] / 256.0 + add[1]),
                    clamp(c.getBlue() * mul[2] / 256.0 + add[2]), clamp(c.getAlpha() * mul[3] / 256.0 + add[3]));
        }
        ColorXform swf() { return new ColorXform(mul[0], mul[1], mul[2], mul[3], add[0], add[1], add[2], add[3]); }
    }

    // ------------------------------------------------------------------------------------------ shapes

    /** One path of a shape in twips, with the styles its edges are drawn with (0: none). */
    static class Sub {
        final List<int[]> segs = new ArrayList<>();  // {x, y} line, {cx, cy, x, y} curve
        int x0, y0, fill0, fill1, line;
        Sub(int x, int y) { x0 = x; y0 = y; }
        Sub styles(int fill0, int fill1, int line) { this.fill0 = fill0; this.fill1 = fill1; this.line = line; return this; }
        Sub to(int x, int y) { segs.add(new int[] {x, y}); return this; }
        Sub quad(int cx, int cy, int x, int y) { segs.add(new int[] {cx, cy, x, y}); return this; }
        Path2D path() {
            Path2D p = new Path2D.Double();
            p.moveTo(x0 / (double) TW, y0 / (double) TW);
            for (int[] s : segs) {
                if (s.length == 2) p.lineTo(s[0] / (double) TW, s[1] / (double) TW);
                else p.quadTo(s[0] / (double) TW, s[1] / (double) TW, s[2] / (double) TW, s[3] / (double) TW);
            }
            return p;
        }
    }

    static Sub polygon(int[] xy) {
        Sub s = new Sub(xy[0], xy[1]);
        for (int i = 2; i < xy.length; i += 2) s.to(xy[i], xy[i + 1]);
        return s.to(xy[0], xy[1]);
    }

    /** A circle of eight quadratic curves, in twips. */
    static Sub circle(double cx, double cy, double r) {
        int[] px = new int[9], py = new int[9];
        for (int i = 0; i <= 8; i++) {
            px[i] = (int) Math.round(cx + r * Math.cos(i * Math.PI / 4));
            py[i] = (int) Math.round(cy + r * Math.sin(i * Math.PI / 4));
        }
        double k = r / Math.cos(Math.PI / 8);
        Sub s = new Sub(px[0], py[0]);
        for (int i = 0; i < 8; i++) {
            double a = (i + 0.5) * Math.PI / 4;
            s.quad((int) Math.round(cx + k * Math.cos(a)), (int) Math.round(cy + k * Math.sin(a)), px[i + 1], py[i + 1]);
        }
        return s;
    }

    /** What a fill style is, for both writers. */
    static class Fill {
        int kind;  // 0 solid, 1 linear, 2 radial, 3 clipped bitmap, 4 repeating bitmap
        Color colour;
        int[] ratios;
        Color[] colours;
        AffineTransform matrix;  // FreeHEP's convention: linear part as in the movie, translation in pixels
        Bitmap bitmap;

        static Fill solid(Color c) { Fill f = new Fill(); f.colour = c; return f; }
        static Fill gradient(boolean radial, int[] ratios, Color[] colours, AffineTransform m) {
            Fill f = new Fill();
            f.kind = radial ? 2 : 1;
            f.ratios = ratios;
            f.colours = colours;
            f.matrix = m;
            return f;
        }
        static Fill bitmap(Bitmap b, boolean repeat, AffineTransform m) {
            Fill f = new Fill();
            f.kind = repeat ? 4 : 3;
            f.bitmap = b;
            f.matrix = m;
            return f;
        }

        FillStyle swf() {
            switch (kind) {
                case 0: return new FillStyle(colour);
                case 1: case 2: {
                    Gradient[] g = new Gradient[ratios.length];
                    for (int i = 0; i < g.length; i++) g[i] = new Gradient(ratios[i], colours[i]);
                    return new FillStyle(g, kind == 1 ? FillStyle.LINEAR_GRADIENT : FillStyle.RADIAL_GRADIENT,
                            FillStyle.SPREAD_MODE_PAD, FillStyle.INTERPOLATION_MODE_NORMAL_RGB, 0f, matrix);
                }
                default: return new FillStyle(bitmap.id, kind == 4, matrix);
            }
        }

        /** The same matrix as Java2D needs it: from gradient or bitmap units to pixels. */
        AffineTransform pixels() {
            return new AffineTransform(matrix.getScaleX() / TW, matrix.getShearY() / TW, matrix.getShearX() / TW,
                    matrix.getScaleY() / TW, matrix.getTranslateX(), matrix.getTranslateY());
        }

        void paint(Graphics2D g, Shape area, Cx cx) {
            if (kind == 0) {
                g.setColor(cx.apply(colour));
                g.fill(area);
            } else if (kind == 1 || kind == 2) {
                float[] fractions = new float[ratios.length];
                Color[] cs = new Color[ratios.length];
                for (int i = 0; i < ratios.length; i++) {
                    fractions[i] = ratios[i] / 255f;
                    cs[i] = cx.apply(colours[i]);
                }
                if (kind == 1) {
                    g.setPaint(new LinearGradientPaint(new Point2D.Double(-16384, 0), new Point2D.Double(16384, 0), fractions,
                            cs, MultipleGradientPaint.CycleMethod.NO_CYCLE, MultipleGradientPaint.ColorSpaceType.SRGB,
                            pixels()));
                } else {
                    g.setPaint(new RadialGradientPaint(new Point2D.Double(0, 0), 16384f, new Point2D.Double(0, 0), fractions, cs,
                            MultipleGradientPaint.CycleMethod.NO_CYCLE, MultipleGradientPaint.ColorSpaceType.SRGB,
                            pixels()));
                }
                g.fill(area);
            } else {
                Shape clip = g.getClip();
                g.clip(area);
                AffineTransform m = pixels();
                if (kind == 3) {
                    g.drawImage(bitmap.shown, m, null);
                } else {
                    // Tiles over the area's bounds (the repeating fills here are drawn at whole pixels).
                    Rectangle2D b = area.getBounds2D();
                    int w = bitmap.shown.getWidth(), h = bitmap.shown.getHeight();
                    for (int ty = (int) Math.floor((b.getMinY() - m.getTranslateY()) / h) - 1; ty * h + m.getTranslateY() < b.getMaxY(); ty++)
                        for (int tx = (int) Math.floor((b.getMinX() - m.getTranslateX()) / w) - 1; tx * w + m.getTranslateX() < b.getMaxX(); tx++) {
                            AffineTransform t = new AffineTransform(m);
                            t.translate(tx * w, ty * h);
                            g.drawImage(bitmap.shown, t, null);
                        }
                }
                g.setClip(clip);
            }
        }
    }

    static class Line {
        int width;  // twips
        Color colour;
        Line(int width, Color colour) { this.width = width; this.colour = colour; }
    }

    /** A shape: style arrays (several when groups are given) and paths. */
    static class ShapeDef {
        int id, version;
        final List<List<Fill>> fills = new ArrayList<>();
        final List<List<Line>> lines = new ArrayList<>();
        final List<List<Sub>> subs = new ArrayList<>();

        ShapeDef(int version) { this.version = version; group(); }
        ShapeDef group() { fills.add(new ArrayList<>()); lines.add(new ArrayList<>()); subs.add(new ArrayList<>()); return this; }
        int fill(Fill f) { fills.get(fills.size() - 1).add(f); return fills.get(fills.size() - 1).size(); }
        int line(Line l) { lines.get(lines.size() - 1).add(l); return lines.get(lines.size() - 1).size(); }
        ShapeDef sub(Sub s) { subs.get(subs.size() - 1).add(s); return this; }

        SWFTag tag() throws Exception {
            Vector<SWFShape.Record> records = new Vector<>();
            for (int g = 0; g < subs.size(); g++) {
                boolean first = true;
                for (Sub s : subs.get(g)) {
                    SWFShape.ShapeRecord r = new SWFShape.ShapeRecord(true, s.x0, s.y0, s.fill0, s.fill1, s.line);
                    if (first && g > 0) setNewStyles(r, styles(g), lineStyles(g));
                    first = false;
                    records.add(r);
                    int x = s.x0, y = s.y0;
                    for (int[] e : s.segs) {
                        if (e.length == 2) {
                            if (e[0] != x || e[1] != y) records.add(new SWFShape.EdgeRecord(e[0] - x, e[1] - y));
                            x = e[0];
                            y = e[1];
                        } else {
                            records.add(new SWFShape.EdgeRecord(e[0] - x, e[1] - y, e[2] - e[0], e[3] - e[1]));
                            x = e[2];
                            y = e[3];
                        }
                    }
                }
            }
            Rectangle2D bounds = bounds();
            SWFShape shape = new SWFShape(records);
            switch (version) {
                case 1: return new DefineShape(id, bounds, styles(0), lineStyles(0), shape);
                case 2: return new Shape2(id, bounds, styles(0), lineStyles(0), shape);
                default: return new DefineShape3(id, bounds, styles(0), lineStyles(0), shape);
            }
        }

        FillStyleArray styles(int g) {
            FillStyleArray a = new FillStyleArray();
            for (Fill f : fills.get(g)) a.add(f.swf());
            return a;
        }

        LineStyleArray lineStyles(int g) {
            LineStyleArray a = new LineStyleArray();
            for (Line l : lines.get(g)) a.add(new LineStyle(l.width, l.colour));
            return a;
        }

        Rectangle2D bounds() {
            Rectangle2D r = null;
            for (List<Sub> list : subs)
                for (Sub s : list) {
                    Rectangle2D b = s.path().getBounds2D();
                    r = r == null ? b : r.createUnion(b);
                }
            return r == null ? new Rectangle2D.Double() : r;
        }

        /** Java2D: per group, each fill's paths under the even-odd rule, then each line style's paths. */
        void draw(Graphics2D g, AffineTransform t, Cx cx) {
            AffineTransform saved = g.getTransform();
            g.transform(t);
            for (int k = 0; k < subs.size(); k++) {
                for (int f = 1; f <= fills.get(k).size(); f++) {
                    Path2D area = new Path2D.Double(Path2D.WIND_EVEN_ODD);
                    for (Sub s : subs.get(k))
                        if ((s.fill0 == f) != (s.fill1 == f)) area.append(s.path(), false);
                    fills.get(k).get(f - 1).paint(g, area, cx);
                }
                for (int l = 1; l <= lines.get(k).size(); l++) {
                    Line line = lines.get(k).get(l - 1);
                    Path2D path = new Path2D.Double();
                    for (Sub s : subs.get(k))
                        if (s.line == l) path.append(s.path(), false);
                    g.setStroke(new BasicStroke(Math.max(line.width / (float) TW, 1f), BasicStroke.CAP_ROUND, BasicStroke.JOIN_ROUND));
                    g.setColor(cx.apply(line.colour));
                    g.draw(path);
                }
            }
            g.setTransform(saved);
        }
    }

    /** FreeHEP writes DefineShape2's colours with alpha, which only DefineShape3 has: written without. */
    static class Shape2 extends DefineShape2 {
        Shape2(int id, Rectangle2D bounds, FillStyleArray fills, LineStyleArray lines, SWFShape shape) {
            super(id, bounds, fills, lines, shape);
        }
        @Override
        public void write(int tagID, SWFOutputStream swf) throws IOException { write(swf, false); }
    }

    static void setNewStyles(SWFShape.ShapeRecord r, FillStyleArray f, LineStyleArray l) throws Exception {
        Field nf = SWFShape.ShapeRecord.class.getDeclaredField("newFillStyles");
        Field nl = SWFShape.ShapeRecord.class.getDeclaredField("newLineStyles");
        nf.setAccessible(true);
        nl.setAccessible(true);
        nf.set(r, f);
        nl.set(r, l);
    }

    // ----------------------------------------------------------------------------------------- bitmaps

    static class Bitmap {
        int id;
        BufferedImage image;  // what the movie is given
        BufferedImage shown;  // what a player shows of it (a JPEG as it decodes)
    }

    /** DefineBitsJPEG3 made from FreeHEP's own JPEG and zlib encoders, the colour and alpha apart. */
    static class Jpeg3 extends DefineBitsJPEG3 {
        final byte[] jpeg, alpha;
        Jpeg3(int id, BufferedImage argb) throws IOException {
            super(id, rgbOf(argb), Color.black, null);
            this.jpeg = ImageGraphics2D.toByteArray(rgbOf(argb), ImageConstants.JPG, null, null);
            this.alpha = ImageGraphics2D.toByteArray(argb, ImageConstants.RAW, ImageConstants.ENCODING_FLATE,
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

    static BufferedImage decodedJpeg(BufferedImage rgb) throws IOException {
        byte[] bytes = ImageGraphics2D.toByteArray(rgb, ImageConstants.JPG, null, null);
        return ImageIO.read(new ByteArrayInputStream(bytes));
    }

    static BufferedImage withAlphaOf(BufferedImage rgb, BufferedImage alpha) {
        BufferedImage out = new BufferedImage(rgb.getWidth(), rgb.getHeight(), BufferedImage.TYPE_INT_ARGB);
        for (int y = 0; y < rgb.getHeight(); y++)
            for (int x = 0; x < rgb.getWidth(); x++)
                out.setRGB(x, y, (alpha.getRGB(x, y) & 0xFF000000) | (rgb.getRGB(x, y) & 0xFFFFFF));
        return out;
    }

    // -------------------------------------------------------------------------------------------- text

    /** A font's glyphs as the movie stores them (EM square of 1024, integer coordinates). */
    static class Glyphs {
        final Font font;
        final Map<Character, Integer> index = new LinkedHashMap<>();
        final List<SWFShape> shapes = new ArrayList<>();
        final List<Path2D> paths = new ArrayList<>();
        final List<Integer> advances = new ArrayList<>();  // EM units

        Glyphs(Font font, String chars) {
            this.font = font.deriveFont(1024f);
            FontRenderContext frc = new FontRenderContext(null, false, false);
            for (char c : chars.toCharArray()) {
                if (index.containsKey(c)) continue;
                GlyphVector gv = this.font.createGlyphVector(frc, String.valueOf(c));
                index.put(c, shapes.size());
                add(gv.getGlyphOutline(0));
                advances.add((int) Math.round(gv.getGlyphMetrics(0).getAdvanceX()));
            }
        }

        void add(Shape outline) {
            Vector<SWFShape.Record> records = new Vector<>();
            Path2D path = new Path2D.Double(Path2D.WIND_EVEN_ODD);
            double[] c = new double[6];
            int x = 0, y = 0, sx = 0, sy = 0;
            boolean first = true;
            for (PathIterator it = outline.getPathIterator(null); !it.isDone(); it.next()) {
                int type = it.currentSegment(c);
                switch (type) {
                    case PathIterator.SEG_MOVETO:
                        x = sx = (int) Math.round(c[0]);
                        y = sy = (int) Math.round(c[1]);
                        records.add(first ? new SWFShape.ShapeRecord(true, x, y, -1, 1, -1)
                                          : new SWFShape.ShapeRecord(true, x, y, -1, -1, -1));
                        first = false;
                        path.moveTo(x, y);
                        break;
                    case PathIterator.SEG_LINETO: {
                        int nx = (int) Math.round(c[0]), ny = (int) Math.round(c[1]);
                        if (nx != x || ny != y) {
                            records.add(new SWFShape.EdgeRecord(nx - x, ny - y));
                            path.lineTo(nx, ny);
                        }
                        x = nx;
                        y = ny;
                        break;
                    }
                    case PathIterator.SEG_QUADTO: {
                        int qx = (int) Math.round(c[0]), qy = (int) Math.round(c[1]);
                        int nx = (int) Math.round(c[2]), ny = (int) Math.round(c[3]);
                        records.add(new SWFShape.EdgeRecord(qx - x, qy - y, nx - qx, ny - qy));
                        path.quadTo(qx, qy, nx, ny);
                        x = nx;
                        y = ny;
                        break;
                    }
                    case PathIterator.SEG_CUBICTO: {
                        // Two quadratic halves meeting at the cubic's middle.
                        double mx = (c[0] * 3 + c[2] * 3 + x + c[4]) / 8, my = (c[1] * 3 + c[3] * 3 + y + c[5]) / 8;
                        int[] q = {(int) Math.round((x + 3 * c[0]) / 4), (int) Math.round((y + 3 * c[1]) / 4),
                                (int) Math.round(mx), (int) Math.round(my), (int) Math.round((3 * c[2] + c[4]) / 4),
                                (int) Math.round((3 * c[3] + c[5]) / 4), (int) Math.round(c[4]), (int) Math.round(c[5])};
                        records.add(new SWFShape.EdgeRecord(q[0] - x, q[1] - y, q[2] - q[0], q[3] - q[1]));
                        records.add(new SWFShape.EdgeRecord(q[4] - q[2], q[5] - q[3], q[6] - q[4], q[7] - q[5]));
                        path.quadTo(q[0], q[1], q[2], q[3]);
                        path.quadTo(q[4], q[5], q[6], q[7]);
                        x = q[6];
                        y = q[7];
                        break;
                    }
                    case PathIterator.SEG_CLOSE:
                        if (x != sx || y != sy) {
                            records.add(new SWFShape.EdgeRecord(sx - x, sy - y));
                            path.lineTo(sx, sy);
                        }
                        x = sx;
                        y = sy;
                        break;
                }
            }
            if (first) records.add(new SWFShape.ShapeRecord(false, 0, 0, -1, 1, -1));  // an empty glyph (space)
            shapes.add(new SWFShape(records));
            paths.add(path);
        }

        SWFTag font2(int id, String name) {
            int[] codes = new int[index.size()];
            int i = 0;
            for (char c : index.keySet()) codes[i++] = c;
            return new DefineFont2(id, false, false, name, shapes.toArray(new SWFShape[0]), codes);
        }

        SWFTag font1(int id) {
            DefineFont f = new DefineFont(id);
            for (SWFShape s : shapes) f.add(s);
            return f;
        }
    }

    /** One line of static text: DefineText (or DefineText2 with an alpha colour). */
    static class TextDef {
        int id;
        boolean withAlpha;
        int fontId;
        Glyphs glyphs;
        String text;
        Color colour;
        int x, y, height;  // twips: the baseline's start and the text height
        AffineTransform matrix = new AffineTransform();

        SWFTag tag() {
            Vector<DefineText.Record> records = new Vector<>();
            records.add(new DefineText.RecordType1(fontId, colour, x, y, height));
            DefineText.RecordType0 run = new DefineText.RecordType0();
            for (char c : text.toCharArray()) {
                int g = glyphs.index.get(c);
                run.add(new DefineText.GlyphEntry(g, advance(c)));
            }
            records.add(run);
            Rectangle2D bounds = new Rectangle2D.Double(x / (double) TW, (y - height) / (double) TW,
                    text.length() * height / (double) TW, height * 1.3 / TW);
            return withAlpha ? new DefineText2(id, bounds, matrix, records) : new DefineText(id, bounds, matrix, records);
        }

        int advance(char c) { return (int) Math.round(glyphs.advances.get(glyphs.index.get(c)) * height / 1024.0); }

        void draw(Graphics2D g, AffineTransform t, Cx cx) {
            AffineTransform saved = g.getTransform();
            g.transform(t);
            g.transform(matrix);
            g.setColor(cx.apply(colour));
            double pen = x;
            for (char c : text.toCharArray()) {
                AffineTransform glyph = new AffineTransform();
                glyph.translate(pen / TW, y / (double) TW);
                glyph.scale(height / 1024.0 / TW, height / 1024.0 / TW);
                g.fill(glyph.createTransformedShape(glyphs.paths.get(glyphs.index.get(c))));
                pen += advance(c);
            }
            g.setTransform(saved);
        }
    }

    // ------------------------------------------------------------------------------------------- movie

    interface Drawable { void draw(Graphics2D g, AffineTransform t, Cx cx); }

    /** A movie: the tags for FreeHEP and, in display-list order, what Java2D draws for the first frame. */
    static class Movie {
        final Color background;
        final List<SWFTag> tags = new ArrayList<>();
        final Map<Integer, Object[]> stage = new java.util.TreeMap<>();  // depth -> {drawable, transform, cx, clipDepth}
        int nextId = 1;

        Movie(Color background) {
            this.background = background;
            tags.add(new SetBackgroundColor(background));
        }

        int define(ShapeDef s) throws Exception { s.id = nextId++; tags.add(s.tag()); return s.id; }
        int define(TextDef t) { t.id = nextId++; tags.add(t.tag()); return t.id; }

        void place(int depth, int id, Drawable d, AffineTransform t, Cx cx) {
            tags.add(new PlaceObject2(false, depth, id, t, cx == null ? null : cx.swf(), -1, null, 0));
            stage.put(depth, new Object[] {d, t, cx == null ? Cx.NONE : cx, 0});
        }

        void clip(int depth, int id, Drawable d, AffineTransform t, int clipDepth) {
            tags.add(new PlaceObject2(false, depth, id, t, null, -1, null, clipDepth));
            stage.put(depth, new Object[] {d, t, Cx.NONE, clipDepth});
        }

        BufferedImage draw() {
            BufferedImage img = new BufferedImage(W, H, BufferedImage.TYPE_INT_RGB);
            Graphics2D g = img.createGraphics();
            g.setRenderingHint(RenderingHints.KEY_ANTIALIASING, RenderingHints.VALUE_ANTIALIAS_ON);
            g.setRenderingHint(RenderingHints.KEY_RENDERING, RenderingHints.VALUE_RENDER_QUALITY);
            g.setRenderingHint(RenderingHints.KEY_STROKE_CONTROL, RenderingHints.VALUE_STROKE_PURE);
            g.setRenderingHint(RenderingHints.KEY_INTERPOLATION, RenderingHints.VALUE_INTERPOLATION_BILINEAR);
            g.setRenderingHint(RenderingHints.KEY_COLOR_RENDERING, RenderingHints.VALUE_COLOR_RENDER_QUALITY);
            g.setRenderingHint(RenderingHints.KEY_ALPHA_INTERPOLATION, RenderingHints.VALUE_ALPHA_INTERPOLATION_QUALITY);
            g.setComposite(AlphaComposite.SrcOver);
            g.setColor(background);
            g.fillRect(0, 0, W, H);
            drawList(g, stage, new AffineTransform(), Cx.NONE);
            g.dispose();
            return img;
        }

        static void drawList(Graphics2D g, Map<Integer, Object[]> list, AffineTransform base, Cx cx) {
            List<int[]> clips = new ArrayList<>();  // {until, index into shapes}
            List<Shape> clipShapes = new ArrayList<>();
            for (Map.Entry<Integer, Object[]> e : list.entrySet()) {
                Object[] o = e.getValue();
                AffineTransform t = new AffineTransform(base);
                t.concatenate((AffineTransform) o[1]);
                Shape savedClip = g.getClip();
                for (int i = 0; i < clips.size(); i++)
                    if (clips.get(i)[0] >= e.getKey()) g.clip(clipShapes.get(i));
                if ((int) o[3] > 0) {
                    clips.add(new int[] {(int) o[3]});
                    clipShapes.add(((Clippable) o[0]).area(t));
                } else {
                    ((Drawable) o[0]).draw(g, t, ((Cx) o[2]).then(cx));
                }
                g.setClip(savedClip);
            }
        }

        void write(File file, int version, boolean compress) throws IOException {
            List<SWFTag> all = new ArrayList<>(tags);
            FileOutputStream fos = new FileOutputStream(file);
            SWFOutputStream out = new SWFOutputStream(fos, version, new Dimension(W, H), 12f, compress);
            for (SWFTag t : all) out.writeTag(t);
            out.writeTag(new ShowFrame());
            for (SWFTag t : later) out.writeTag(t);
            out.writeTag(new ShowFrame());
            out.writeTag(new End());
            out.close();
        }

        final List<SWFTag> later = new ArrayList<>();  // the second frame: must not show
    }

    interface Clippable extends Drawable { Shape area(AffineTransform t); }

    static Clippable clipOf(ShapeDef s) {
        return new Clippable() {
            public void draw(Graphics2D g, AffineTransform t, Cx cx) { s.draw(g, t, cx); }
            public Shape area(AffineTransform t) {
                Path2D p = new Path2D.Double(Path2D.WIND_EVEN_ODD);
                for (Sub sub : s.subs.get(0)) if (sub.fill0 != sub.fill1) p.append(sub.path(), false);
                return t.createTransformedShape(p);
            }
        };
    }

    static AffineTransform at(double x, double y) { return AffineTransform.getTranslateInstance(x, y); }

    static AffineTransform at(double x, double y, double degrees, double sx, double sy) {
        AffineTransform t = AffineTransform.getTranslateInstance(x, y);
        t.rotate(Math.toRadians(degrees));
        t.scale(sx, sy);
        return t;
    }

    static int tw(double px) { return (int) Math.round(px * TW); }

    // ------------------------------------------------------------------------------------------ scenes

    /** Polygons, curves, strokes and transparency; shapes of all three kinds; PlaceObject, removal. */
    static Movie vector() throws Exception {
        Movie m = new Movie(new Color(0xF4, 0xF1, 0xE8));

        // A ten-pointed star (DefineShape, RGB).
        ShapeDef star = new ShapeDef(1);
        int red = star.fill(Fill.solid(new Color(0xC8, 0x30, 0x28)));
        int[] pts = new int[20];
        for (int i = 0; i < 10; i++) {
            double r = (i % 2 == 0 ? 58 : 24) * TW, a = -Math.PI / 2 + i * Math.PI / 5;
            pts[2 * i] = (int) Math.round(r * Math.cos(a));
            pts[2 * i + 1] = (int) Math.round(r * Math.sin(a));
        }
        star.sub(polygon(pts).styles(0, red, 0));
        int starId = m.define(star);
        // PlaceObject (the first kind) with its plain colour transform left out.
        m.tags.add(new PlaceObject(starId, 1, at(70, 72)));
        m.stage.put(1, new Object[] {(Drawable) star::draw, at(70, 72), Cx.NONE, 0});

        // A ring (a hole by the even-odd rule) and a blob of curves, with an outline (DefineShape2).
        ShapeDef ring = new ShapeDef(2);
        int blue = ring.fill(Fill.solid(new Color(0x1E, 0x5A, 0xA8)));
        int outline = ring.line(new Line(tw(3), new Color(0x10, 0x20, 0x40)));
        ring.sub(circle(0, 0, 40 * TW).styles(0, blue, outline));
        ring.sub(circle(6 * TW, -4 * TW, 18 * TW).styles(blue, 0, outline));
        int ringId = m.define(ring);
        m.place(2, ringId, ring::draw, at(170, 62), null);

        // A square split along its diagonal: one edge between two fills.
        ShapeDef split = new ShapeDef(2);
        int gold = split.fill(Fill.solid(new Color(0xE8, 0xB0, 0x20)));
        int teal = split.fill(Fill.solid(new Color(0x20, 0x90, 0x88)));
        int s = 34 * TW;
        split.sub(new Sub(-s, -s).to(s, -s).to(s, s).styles(0, gold, 0));
        split.sub(new Sub(s, s).to(-s, s).to(-s, -s).styles(0, teal, 0));
        split.sub(new Sub(-s, -s).to(s, s).styles(teal, gold, 0));
        int splitId = m.define(split);
        m.place(3, splitId, split::draw, at(268, 50), null);

        // Strokes: a zigzag, a curve, a hairline, a closed triangle with fill and line.
        ShapeDef lines = new ShapeDef(2);
        int thick = lines.line(new Line(tw(7), new Color(0x40, 0x30, 0x60)));
        int curve = lines.line(new Line(tw(3), new Color(0xB0, 0x20, 0x70)));
        int hair = lines.line(new Line(tw(1), new Color(0x20, 0x20, 0x20)));
        int green = lines.fill(Fill.solid(new Color(0x60, 0xA0, 0x40)));
        lines.sub(new Sub(tw(14), tw(140)).to(tw(40), tw(112)).to(tw(66), tw(140)).to(tw(92), tw(112)).to(tw(118), tw(140)).styles(0, 0, thick));
        lines.sub(new Sub(tw(130), tw(140)).quad(tw(160), tw(80), tw(190), tw(140)).quad(tw(220), tw(120), tw(240), tw(100)).styles(0, 0, curve));
        lines.sub(new Sub(tw(10), tw(104)).to(tw(240), tw(96)).styles(0, 0, hair));
        lines.sub(polygon(new int[] {tw(262), tw(142), tw(340), tw(142), tw(300), tw(98)}).styles(green, 0, thick));
        int linesId = m.define(lines);
        m.place(4, linesId, lines::draw, new AffineTransform(), null);

        // Transparency (DefineShape3, RGBA) over the star and the ring.
        ShapeDef glass = new ShapeDef(3);
        int a = glass.fill(Fill.solid(new Color(0x30, 0xB0, 0x60, 0x80)));
        int b = glass.fill(Fill.solid(new Color(0x40, 0x40, 0xE0, 0x60)));
        glass.sub(polygon(new int[] {tw(40), tw(40), tw(150), tw(40), tw(150), tw(90), tw(40), tw(90)}).styles(0, a, 0));
        glass.sub(polygon(new int[] {tw(120), tw(20), tw(210), tw(20), tw(210), tw(70), tw(120), tw(70)}).styles(b, 0, 0));
        int glassId = m.define(glass);
        m.place(5, glassId, glass::draw, new AffineTransform(), null);

        // Placed, then removed (RemoveObject and RemoveObject2): nothing of these shows.
        m.tags.add(new PlaceObject2(ringId, 7, at(300, 120)));
        m.tags.add(new RemoveObject(7, ringId));
        m.tags.add(new PlaceObject2(starId, 8, at(20, 20)));
        m.tags.add(new RemoveObject2(8));
        // Placed, then moved.
        m.tags.add(new PlaceObject2(starId, 9, at(0, 0, 0, 0.3, 0.3)));
        AffineTransform moved = at(320, 18, 15, 0.3, 0.3);
        m.tags.add(new PlaceObject2(true, 9, -1, moved, null, -1, null, 0));
        m.stage.put(9, new Object[] {(Drawable) star::draw, moved, Cx.NONE, 0});
        // The second frame adds a shape that the first frame does not show.
        m.later.add(new PlaceObject2(starId, 10, at(175, 75)));
        return m;
    }

    /** Gradients, transforms, colour transforms, several style arrays, a sprite and a clipping layer. */
    static Movie paint() throws Exception {
        Movie m = new Movie(new Color(0x18, 0x1C, 0x28));

        // A linear gradient band across the top (three stops), through a scaled gradient square.
        ShapeDef band = new ShapeDef(2);
        AffineTransform gm = new AffineTransform(330.0 * TW / 32768, 0, 0, 1, 175, 20);
        int lin = band.fill(Fill.gradient(false, new int[] {0, 128, 255},
                new Color[] {new Color(0xF0, 0x60, 0x20), new Color(0xF0, 0xE0, 0x40), new Color(0x30, 0xA0, 0xF0)}, gm));
        band.sub(polygon(new int[] {tw(10), tw(6), tw(340), tw(6), tw(340), tw(34), tw(10), tw(34)}).styles(0, lin, 0));
        // A second style array in the same shape: a rotated linear gradient with alpha (DefineShape3 only).
        int bandId = m.define(band);
        m.place(1, bandId, band::draw, new AffineTransform(), null);

        ShapeDef sun = new ShapeDef(3);
        AffineTransform rm = new AffineTransform(44.0 * TW / 16384, 0, 0, 44.0 * TW / 16384, 0, 0);
        int rad = sun.fill(Fill.gradient(true, new int[] {0, 90, 255},
                new Color[] {new Color(255, 255, 230, 255), new Color(255, 200, 60, 230), new Color(220, 60, 30, 0)}, rm));
        sun.sub(circle(0, 0, 44 * TW).styles(0, rad, 0));
        sun.group();
        int ring2 = sun.line(new Line(tw(2), new Color(255, 255, 255, 160)));
        sun.sub(circle(0, 0, 30 * TW).styles(0, 0, ring2));
        int sunId = m.define(sun);
        m.place(2, sunId, sun::draw, at(62, 92), null);

        // One square, placed rotated, stretched and skewed, and with colour transforms.
        ShapeDef square = new ShapeDef(2);
        int base = square.fill(Fill.solid(new Color(0x80, 0xC0, 0x60)));
        int edge = square.line(new Line(tw(2), new Color(0xF0, 0xF0, 0xF0)));
        int q = 16 * TW;
        square.sub(polygon(new int[] {-q, -q, q, -q, q, q, -q, q}).styles(0, base, edge));
        int squareId = m.define(square);
        m.place(3, squareId, square::draw, at(140, 70, 30, 1, 1), null);
        m.place(4, squareId, square::draw, new AffineTransform(1.6, 0.3, 0.5, 0.8, 200, 72), null);
        m.place(5, squareId, square::draw, at(140, 122, -10, 1.2, 0.7),
                new Cx(new int[] {128, 256, 256, 256}, new int[] {0, 0, 120, 0}));
        m.place(6, squareId, square::draw, at(196, 124, 45, 0.9, 0.9),
                new Cx(new int[] {256, 256, 256, 128}, new int[] {60, -40, 0, 0}));

        // A sprite: two shapes of its own, placed as one, rotated and tinted.
        ShapeDef petal = new ShapeDef(3);
        int pf = petal.fill(Fill.solid(new Color(0xE0, 0x70, 0xC0, 0xC0)));
        petal.sub(new Sub(0, 0).quad(tw(14), tw(-20), 0, tw(-34)).quad(tw(-14), tw(-20), 0, 0).styles(0, pf, 0));
        int petalId = m.define(petal);
        int spriteId = m.nextId++;
        Vector<SWFTag> inner = new Vector<>();
        Map<Integer, Object[]> spriteList = new java.util.TreeMap<>();
        for (int i = 0; i < 5; i++) {
            AffineTransform t = at(0, 0, i * 72, 1, 1);
            inner.add(new PlaceObject2(petalId, i + 1, t));
            spriteList.put(i + 1, new Object[] {(Drawable) petal::draw, t, Cx.NONE, 0});
        }
        inner.add(new ShowFrame());
        inner.add(new RemoveObject2(1));  // its second frame: not shown
        inner.add(new ShowFrame());
        inner.add(new End());
        m.tags.add(new DefineSprite(spriteId, 2, inner));
        AffineTransform st = at(262, 60, 20, 1.1, 1.1);
        Cx tint = new Cx(new int[] {200, 256, 256, 256}, new int[] {0, 30, 0, 0});
        m.tags.add(new PlaceObject2(false, 7, spriteId, st, tint.swf(), -1, null, 0));
        m.stage.put(7, new Object[] {(Drawable) (g, t, cx) -> Movie.drawList(g, spriteList, t, cx), st, tint, 0});

        // A clipping layer: a circle masks the stripes above it; the square after them is not masked.
        ShapeDef mask = new ShapeDef(1);
        int mf = mask.fill(Fill.solid(Color.white));
        mask.sub(circle(0, 0, 30 * TW).styles(0, mf, 0));
        int maskId = m.define(mask);
        ShapeDef stripes = new ShapeDef(1);
        int sf = stripes.fill(Fill.solid(new Color(0xF0, 0xD0, 0x30)));
        for (int i = 0; i < 6; i++)
            stripes.sub(polygon(new int[] {tw(-40 + 14 * i), tw(-40), tw(-33 + 14 * i), tw(-40), tw(-33 + 14 * i), tw(40),
                    tw(-40 + 14 * i), tw(40)}).styles(0, sf, 0));
        int stripesId = m.define(stripes);
        m.clip(10, maskId, clipOf(mask), at(312, 118), 12);
        m.place(11, stripesId, stripes::draw, at(312, 118), null);
        m.place(13, squareId, square::draw, at(336, 140, 0, 0.5, 0.5), null);
        return m;
    }

    /** Bitmaps of every kind FreeHEP writes, clipped and repeating, and text in two fonts. */
    static Movie bitmapsAndText(Font sans, Font serif, int version) throws Exception {
        Movie m = new Movie(new Color(0xEE, 0xEE, 0xF4));

        // Opaque pixels (DefineBitsLossless): a small picture drawn here.
        Bitmap plain = new Bitmap();
        plain.image = new BufferedImage(48, 40, BufferedImage.TYPE_INT_RGB);
        Graphics2D g = plain.image.createGraphics();
        g.setPaint(new java.awt.GradientPaint(0, 0, new Color(0x20, 0x40, 0xA0), 48, 40, new Color(0xF0, 0xA0, 0x30)));
        g.fillRect(0, 0, 48, 40);
        g.setColor(Color.white);
        g.fillOval(8, 6, 20, 20);
        g.setColor(new Color(0x10, 0x60, 0x20));
        g.fillRect(26, 20, 16, 14);
        g.dispose();
        plain.shown = plain.image;
        plain.id = m.nextId++;
        m.tags.add(new DefineBitsLossless(plain.id, plain.image, Color.black));

        // Pixels with alpha (DefineBitsLossless2): a soft disc.
        Bitmap soft = new Bitmap();
        soft.image = new BufferedImage(40, 40, BufferedImage.TYPE_INT_ARGB);
        for (int y = 0; y < 40; y++)
            for (int x = 0; x < 40; x++) {
                double d = Math.hypot(x - 19.5, y - 19.5) / 20;
                int alpha = (int) Math.max(0, Math.min(255, Math.round(255 * (1 - d * d))));
                soft.image.setRGB(x, y, alpha << 24 | 0xC0 << 16 | (int) (0x40 + 3 * x) << 8 | 0x50);
            }
        soft.shown = soft.image;
        soft.id = m.nextId++;
        m.tags.add(new DefineBitsLossless2(soft.id, soft.image, Color.black));

        // A JPEG (DefineBitsJPEG2): a smooth picture, shown as it decodes.
        Bitmap photo = new Bitmap();
        photo.image = new BufferedImage(64, 48, BufferedImage.TYPE_INT_RGB);
        for (int y = 0; y < 48; y++)
            for (int x = 0; x < 64; x++) {
                int r = (int) (128 + 100 * Math.sin(x / 9.0)), gr = (int) (120 + 90 * Math.cos(y / 7.0)), bl = 60 + 2 * x;
                photo.image.setRGB(x, y, r << 16 | gr << 8 | Math.min(255, bl));
            }
        photo.shown = decodedJpeg(photo.image);
        photo.id = m.nextId++;
        m.tags.add(new DefineBitsJPEG2(photo.id, photo.image, Color.black, null));

        // A JPEG with an alpha plane (DefineBitsJPEG3).
        Bitmap badge = new Bitmap();
        BufferedImage argb = new BufferedImage(40, 40, BufferedImage.TYPE_INT_ARGB);
        for (int y = 0; y < 40; y++)
            for (int x = 0; x < 40; x++) {
                int alpha = x < 20 ? 255 : (int) Math.round(255 * (39 - x) / 19.0);
                argb.setRGB(x, y, alpha << 24 | (0x30 + 4 * y) << 16 | 0x90 << 8 | (0xE0 - 3 * x));
            }
        badge.image = argb;
        badge.shown = withAlphaOf(decodedJpeg(rgbOf(argb)), argb);
        badge.id = m.nextId++;
        m.tags.add(new Jpeg3(badge.id, argb));

        // Clipped bitmap fills: each picture on a rectangle of its own size, placed scaled.
        int depth = 1;
        int x = 8;
        for (Bitmap bm : new Bitmap[] {plain, soft, photo, badge}) {
            ShapeDef s = new ShapeDef(2);
            int w = bm.image.getWidth(), h = bm.image.getHeight();
            int f = s.fill(Fill.bitmap(bm, false, new AffineTransform(TW, 0, 0, TW, 0, 0)));
            s.sub(polygon(new int[] {0, 0, w * TW, 0, w * TW, h * TW, 0, h * TW}).styles(0, f, 0));
            int id = m.define(s);
            double scale = bm == photo ? 1.25 : 1.5;
            m.place(depth++, id, s::draw, at(x, 8, 0, scale, scale), null);
            x += (int) Math.ceil(w * scale) + 8;
        }

        // A repeating fill: the small picture tiled over a band, at whole pixels.
        ShapeDef tiles = new ShapeDef(2);
        int tf = tiles.fill(Fill.bitmap(plain, true, new AffineTransform(TW, 0, 0, TW, 4, 6)));
        tiles.sub(polygon(new int[] {tw(8), tw(80), tw(136), tw(80), tw(136), tw(142), tw(8), tw(142)}).styles(0, tf, 0));
        int tilesId = m.define(tiles);
        m.place(depth++, tilesId, tiles::draw, new AffineTransform(), null);

        // Text: DefineFont2 with DefineText; DefineFont with DefineText2 (an alpha colour), rotated.
        String first = "Moviva installer";
        Glyphs g1 = new Glyphs(sans, first);
        int font1 = m.nextId++;
        m.tags.add(version < 6 ? g1.font2(font1, "DejaVu Sans") : g1.font1(font1));
        TextDef t1 = new TextDef();
        t1.fontId = font1;
        t1.glyphs = g1;
        t1.text = first;
        t1.colour = new Color(0x20, 0x24, 0x40);
        t1.x = tw(150);
        t1.y = tw(100);
        t1.height = tw(22);
        m.define(t1);
        m.place(depth++, t1.id, t1::draw, new AffineTransform(), null);

        String second = "first frame";
        Glyphs g2 = new Glyphs(serif, second);
        int font2 = m.nextId++;
        m.tags.add(g2.font1(font2));
        TextDef t2 = new TextDef();
        t2.withAlpha = true;
        t2.fontId = font2;
        t2.glyphs = g2;
        t2.text = second;
        t2.colour = new Color(0xB0, 0x20, 0x30, 0xC0);
        t2.x = 0;
        t2.y = 0;
        t2.height = tw(26);
        t2.matrix = at(0, 0, -6, 1, 1);
        m.define(t2);
        m.place(depth++, t2.id, t2::draw, at(160, 136), null);
        return m;
    }

    static void save(Movie m, File dir, String name, int version, boolean compress) throws IOException {
        m.write(new File(dir, name + ".swf"), version, compress);
        ImageIO.write(m.draw(), "png", new File(dir, name + ".png"));
        System.out.println(name + ".swf (version " + version + (compress ? ", compressed" : "") + ") and " + name + ".png");
    }

    public static void main(String[] args) throws Exception {
        File dir = new File(args.length > 0 ? args[0] : "tests/data/render");
        dir.mkdirs();
        Font sans = Font.createFont(Font.TRUETYPE_FONT, new File("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"));
        Font serif = Font.createFont(Font.TRUETYPE_FONT, new File("/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf"));
        save(vector(), dir, "freehep_vector_v5", 5, false);
        save(vector(), dir, "freehep_vector_v6", 6, false);
        save(paint(), dir, "freehep_paint_v6c", 6, true);
        save(bitmapsAndText(sans, serif, 5), dir, "freehep_bitmaps_text_v5", 5, false);
        save(bitmapsAndText(sans, serif, 6), dir, "freehep_bitmaps_text_v6c", 6, true);
    }
}
