# make-samples.py - builds meshconv's sample models in Blender and exports them as a modelling
# tool's users would: glTF 2.0, FBX, Collada, PLY and OBJ.
#
#   blender -b --factory-startup --python tools/meshconv/make-samples.py
#
# Run by hand when the samples should change (Blender is an authoring tool, never a
# dependency of the build); the exports are checked in:
#   data/models/ModelSources/  crate.gltf + crate.bin (no normals: meshconv makes them),
#                              post.fbx (three materials), yard.dae (Z-up, two objects)
#   data/models/CharacterSources/walker.glb (rigged: nine bones, the action "Walk"; its
#                              texture inside)
#   data/models/Textures/      the PNG textures the static models name
#   tests/data/models/         walker.fbx (the same figure), rock_zup.ply (Z-up, no normals),
#                              walker_frame7.obj (the figure posed at frame 7 of "Walk",
#                              0.25 s in: what a converted character must match)
# Exporters stamp dates into FBX and Collada files: a rerun changes those bytes.
import math
import os
import tempfile

import bpy

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), '..', '..'))
SOURCES = os.path.join(ROOT, 'data', 'models', 'ModelSources')
CHARACTERS = os.path.join(ROOT, 'data', 'models', 'CharacterSources')
TEXTURES = os.path.join(ROOT, 'data', 'models', 'Textures')
TESTS = os.path.join(ROOT, 'tests', 'data', 'models')
FPS = 24
WALK_FRAMES = 24  # one stride cycle: frame 1 to frame 25 (= frame 1)


def reset():
    bpy.ops.wm.read_factory_settings(use_empty=True)
    scene = bpy.context.scene
    scene.render.fps = FPS
    scene.frame_start, scene.frame_end = 1, 1 + WALK_FRAMES


# ---- Textures: small PNGs with a red mark in the top left corner, so that a flipped or
# mirrored mapping shows.

def save_texture(name, size, colour_at, folder=TEXTURES):
    image = bpy.data.images.new(name, size, size, alpha=False)
    pixels = []
    for row in range(size):  # Blender's rows run bottom up
        top = size - 1 - row
        for x in range(size):
            if x < size // 8 and top < size // 8:
                r, g, b = 0.85, 0.1, 0.1
            else:
                r, g, b = colour_at(x, top, size)
            pixels += [r, g, b, 1.0]
    image.pixels[:] = pixels
    image.filepath_raw = os.path.join(folder, name + '.png')
    image.file_format = 'PNG'
    image.save()
    return image


def planks(x, y, n):
    edge = x < 2 or y < 2 or x >= n - 2 or y >= n - 2
    brace = abs(x - y) < 2 or abs(x - (n - 1 - y)) < 2
    shade = 0.55 + 0.08 * ((y // 4) % 2)
    if edge or brace:
        return 0.30, 0.18, 0.08
    return shade, shade * 0.7, shade * 0.4


def grain(x, y, n):
    v = 0.45 + 0.1 * math.sin(x * 1.3 + math.sin(y * 0.4) * 2.0)
    return v, v * 0.65, v * 0.35


def stripes(x, y, n):
    return (0.9, 0.8, 0.2) if ((x + y) // 4) % 2 else (0.15, 0.15, 0.18)


def glow(x, y, n):
    d = math.hypot(x - n / 2, y - n / 2) / (n / 2)
    v = max(0.0, 1.0 - d)
    return 0.6 + 0.4 * v, 0.5 + 0.4 * v, 0.2 + 0.3 * v


def stone(x, y, n):
    course = (y // 8) % 2
    joint = y % 8 == 0 or (x + course * 8) % 16 == 0
    v = 0.35 if joint else 0.6 + 0.05 * ((x * 7 + y * 3) % 5) / 5
    return v, v, v * 0.95


def grass(x, y, n):
    v = 0.35 + 0.1 * (((x * 5 + y * 11) % 7) / 7)
    return v * 0.6, v + 0.15, v * 0.4


def cloth(x, y, n):
    if y < n // 3:
        return 0.85, 0.7, 0.55   # head and hands
    if y < 2 * n // 3:
        return 0.2, 0.35, 0.75   # shirt
    return 0.3, 0.25, 0.2        # trousers


def material(name, image):
    mat = bpy.data.materials.new(name)
    mat.use_nodes = True
    nodes = mat.node_tree.nodes
    texture = nodes.new('ShaderNodeTexImage')
    texture.image = image
    mat.node_tree.links.new(texture.outputs['Color'], nodes['Principled BSDF'].inputs['Base Color'])
    return mat


# ---- Helpers

def select_only(objects):
    bpy.ops.object.select_all(action='DESELECT')
    for obj in objects:
        obj.select_set(True)
    bpy.context.view_layer.objects.active = objects[0]


def join(objects, name):
    select_only(objects)
    bpy.ops.object.join()
    obj = bpy.context.view_layer.objects.active
    obj.name = obj.data.name = name
    return obj


def box(size, location, mat=None):
    bpy.ops.mesh.primitive_cube_add(size=1.0, location=location)
    obj = bpy.context.object
    obj.scale = size
    bpy.ops.object.transform_apply(location=False, rotation=False, scale=True)
    if mat:
        obj.data.materials.append(mat)
    return obj


def smooth(obj, angle_degrees):
    obj.data.use_auto_smooth = True
    obj.data.auto_smooth_angle = math.radians(angle_degrees)
    for polygon in obj.data.polygons:
        polygon.use_smooth = True


# ---- Static samples

def crate():
    """A textured crate with a lid, exported as glTF without normals."""
    reset()
    mat = material('Crate', save_texture('crate', 32, planks))
    body = box((0.8, 0.8, 0.7), (0, 0, 0.35), mat)
    lid = box((0.86, 0.86, 0.1), (0, 0, 0.75), mat)
    obj = join([body, lid], 'Crate')
    select_only([obj])
    bpy.ops.export_scene.gltf(filepath=os.path.join(SOURCES, 'crate.gltf'),
                              export_format='GLTF_SEPARATE', export_texture_dir='../Textures',
                              export_normals=False, export_yup=True, export_materials='EXPORT',
                              export_animations=False, use_selection=True)


def post():
    """A lamp post of three materials (wood, a painted sign, a glowing lamp), exported as FBX."""
    reset()
    wood = material('Wood', save_texture('wood', 32, grain))
    paint = material('Sign', save_texture('sign', 32, stripes))
    lamp = material('Lamp', save_texture('lamp', 16, glow))
    bpy.ops.mesh.primitive_cylinder_add(vertices=12, radius=0.06, depth=1.8, location=(0, 0, 0.9))
    pole = bpy.context.object
    pole.data.materials.append(wood)
    smooth(pole, 40)
    sign = box((0.5, 0.04, 0.3), (0.28, 0, 1.35), paint)
    bpy.ops.mesh.primitive_uv_sphere_add(segments=12, ring_count=6, radius=0.14, location=(0, 0, 1.9))
    top = bpy.context.object
    top.data.materials.append(lamp)
    smooth(top, 180)
    obj = join([pole, sign, top], 'Post')
    select_only([obj])
    bpy.ops.export_scene.fbx(filepath=os.path.join(SOURCES, 'post.fbx'), use_selection=True,
                             object_types={'MESH'}, path_mode='STRIP', bake_anim=False,
                             axis_forward='-Z', axis_up='Y', mesh_smooth_type='OFF')


def yard():
    """A stone arch over a patch of grass: two objects in one Collada file, Z up."""
    reset()
    stone_mat = material('Stone', save_texture('stone', 32, stone))
    grass_mat = material('Grass', save_texture('grass', 32, grass))
    bpy.ops.mesh.primitive_plane_add(size=6.0, location=(0, 0, 0))
    ground = bpy.context.object
    ground.name = 'Ground'
    ground.data.materials.append(grass_mat)
    parts = [box((0.3, 0.3, 1.4), (-0.7, 0, 0.7), stone_mat), box((0.3, 0.3, 1.4), (0.7, 0, 0.7), stone_mat),
             box((1.8, 0.36, 0.26), (0, 0, 1.53), stone_mat)]
    arch = join(parts, 'Arch')
    arch.location = (0, 1.6, 0)
    select_only([ground, arch])
    path = os.path.join(SOURCES, 'yard.dae')
    bpy.ops.wm.collada_export(filepath=path, selected=True, use_texture_copies=False,
                              triangulate=True, apply_modifiers=True)
    # The exporter names images by absolute path: name them relative to the file instead.
    with open(path) as f:
        text = f.read()
    with open(path, 'w') as f:
        f.write(text.replace(TEXTURES + os.sep, '../Textures/'))


def rock():
    """A tall rock without normals, written Z-up as PLY: the axis option's sample."""
    reset()
    bpy.ops.mesh.primitive_ico_sphere_add(subdivisions=1, radius=0.5, location=(0, 0, 0))
    obj = bpy.context.object
    obj.scale = (0.6, 0.4, 1.5)
    bpy.ops.object.transform_apply(location=False, rotation=False, scale=True)
    bpy.ops.export_mesh.ply(filepath=os.path.join(TESTS, 'rock_zup.ply'), use_selection=True,
                            use_normals=False, use_uv_coords=False, use_colors=False,
                            axis_forward='Y', axis_up='Z', use_ascii=True)


# ---- The rigged figure: nine bones, boxes skinned to them, one stride cycle.

# name, parent, head, tail (Blender's axes: Z up, the figure faces -Y).
BONES = [('hips', None, (0, 0, 0.9), (0, 0, 1.05)),
         ('spine', 'hips', (0, 0, 1.05), (0, 0, 1.45)),
         ('head', 'spine', (0, 0, 1.45), (0, 0, 1.75)),
         ('arm_l', 'spine', (0.27, 0, 1.42), (0.27, 0, 0.97)),
         ('arm_r', 'spine', (-0.27, 0, 1.42), (-0.27, 0, 0.97)),
         ('thigh_l', 'hips', (0.1, 0, 0.9), (0.1, 0, 0.48)),
         ('shin_l', 'thigh_l', (0.1, 0, 0.48), (0.1, 0, 0.05)),
         ('thigh_r', 'hips', (-0.1, 0, 0.9), (-0.1, 0, 0.48)),
         ('shin_r', 'thigh_r', (-0.1, 0, 0.48), (-0.1, 0, 0.05))]
# bone, size, centre: one box each (the torso is shared by the hips and the spine, see below).
PARTS = [('spine', (0.4, 0.22, 0.5), (0, 0, 1.2)), ('head', (0.24, 0.24, 0.26), (0, 0, 1.6)),
         ('arm_l', (0.1, 0.1, 0.45), (0.27, 0, 1.19)), ('arm_r', (0.1, 0.1, 0.45), (-0.27, 0, 1.19)),
         ('hips', (0.34, 0.2, 0.14), (0, 0, 0.9)),
         ('thigh_l', (0.14, 0.14, 0.42), (0.1, 0, 0.69)), ('shin_l', (0.12, 0.12, 0.43), (0.1, 0, 0.265)),
         ('shin_l', (0.13, 0.26, 0.06), (0.1, -0.06, 0.03)),
         ('thigh_r', (0.14, 0.14, 0.42), (-0.1, 0, 0.69)), ('shin_r', (0.12, 0.12, 0.43), (-0.1, 0, 0.265)),
         ('shin_r', (0.13, 0.26, 0.06), (-0.1, -0.06, 0.03))]


def armature():
    bpy.ops.object.armature_add(enter_editmode=True, location=(0, 0, 0))
    rig = bpy.context.object
    rig.name = rig.data.name = 'Rig'
    edit = rig.data.edit_bones
    edit.remove(edit[0])
    for name, parent, head, tail in BONES:
        bone = edit.new(name)
        bone.head, bone.tail = head, tail
        if parent:
            bone.parent = edit[parent]
            bone.use_connect = False
    bpy.ops.object.mode_set(mode='OBJECT')
    return rig


def body(skin):
    parts = []
    for bone, size, centre in PARTS:
        part = box(size, centre, skin)
        group = part.vertex_groups.new(name=bone)
        group.add([v.index for v in part.data.vertices], 1.0, 'REPLACE')
        if bone == 'spine':
            # The waist bends with both: the torso's lower corners are half hips, half spine.
            hips = part.vertex_groups.new(name='hips')
            low = [v.index for v in part.data.vertices if v.co.z < 1.0]
            group.add(low, 0.5, 'REPLACE')
            hips.add(low, 0.5, 'REPLACE')
        parts.append(part)
    return join(parts, 'Walker')


def walk(rig):
    rig.animation_data_create()
    action = bpy.data.actions.new('Walk')
    rig.animation_data.action = action
    for pose in rig.pose.bones:
        pose.rotation_mode = 'XYZ'
    for frame in range(1, WALK_FRAMES + 2, 3):
        phase = 2 * math.pi * (frame - 1) / WALK_FRAMES
        swing = math.sin(phase)
        turns = {'thigh_l': 0.5 * swing, 'thigh_r': -0.5 * swing,
                 'shin_l': -0.6 * max(0.0, math.sin(phase - 0.8)),
                 'shin_r': -0.6 * max(0.0, -math.sin(phase - 0.8)),
                 'arm_l': -0.4 * swing, 'arm_r': 0.4 * swing}
        for pose in rig.pose.bones:
            pose.rotation_euler = (turns.get(pose.name, 0.0), 0.0, 0.0)
            if pose.name == 'spine':
                pose.rotation_euler = (0.0, 0.12 * swing, 0.0)
            pose.keyframe_insert('rotation_euler', frame=frame)
        hips = rig.pose.bones['hips']
        hips.location = (0.0, 0.03 * math.cos(2 * phase), 0.0)  # bone Y is world Z
        hips.keyframe_insert('location', frame=frame)


def walker(scratch):
    reset()
    # The texture travels inside the .glb; the FBX names it only.
    skin = material('Cloth', save_texture('walker', 32, cloth, scratch))
    rig = armature()
    mesh = body(skin)
    mesh.parent = rig
    modifier = mesh.modifiers.new('Rig', 'ARMATURE')
    modifier.object = rig
    walk(rig)
    bpy.context.scene.frame_set(1)
    select_only([rig, mesh])
    bpy.ops.export_scene.gltf(filepath=os.path.join(CHARACTERS, 'walker.glb'), export_format='GLB',
                              export_yup=True, export_animations=True, export_skins=True,
                              use_selection=True, export_def_bones=False)
    bpy.ops.export_scene.fbx(filepath=os.path.join(TESTS, 'walker.fbx'), use_selection=True,
                             object_types={'ARMATURE', 'MESH'}, path_mode='STRIP', add_leaf_bones=False,
                             bake_anim=True, bake_anim_use_all_actions=True,
                             bake_anim_use_nla_strips=False, bake_anim_step=3.0,
                             axis_forward='-Z', axis_up='Y')
    bpy.context.scene.frame_set(7)
    select_only([mesh])
    bpy.ops.wm.obj_export(filepath=os.path.join(TESTS, 'walker_frame7.obj'), export_selected_objects=True,
                          apply_modifiers=True, export_uv=False, export_normals=False,
                          export_materials=False, forward_axis='NEGATIVE_Z', up_axis='Y')


def main():
    for folder in (SOURCES, CHARACTERS, TEXTURES, TESTS):
        os.makedirs(folder, exist_ok=True)
    crate()
    post()
    yard()
    rock()
    with tempfile.TemporaryDirectory() as scratch:
        walker(scratch)
    print('make-samples: done')


main()
