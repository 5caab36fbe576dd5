ModName=gallery
ModFullName=The Mesh Gallery
ModAuthor=The Kaz engine team
ModWebSite=
ModLogo=
ModVersion=0.1.0
ModPackages=gallery;gallery_built
ClassName=GalleryApplication
