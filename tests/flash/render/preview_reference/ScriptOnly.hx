// A movie whose content is made by script: its tags define a bitmap but place nothing, so the first
// frame as the tags leave it is the background.
@:bitmap("pic.png") class Picture extends flash.display.BitmapData {}

class Main {
    static function main() {
        var picture = new Picture(0, 0);
        if (picture.width < 0) trace(picture.width);
    }
}
